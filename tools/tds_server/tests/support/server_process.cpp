#include "server_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace dw::tds::test {
namespace {

std::string read_line(int fd, int timeout_ms)
{
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (line.empty() || line.back() != '\n') {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd pfd{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&pfd, 1, static_cast<int>(left.count())) <= 0) {
            break;
        }
        char c = 0;
        if (::read(fd, &c, 1) != 1) {
            break;
        }
        line += c;
    }
    return line;
}

}  // namespace

ServerProcess::ServerProcess(const std::vector<std::string>& extra_args)
{
    std::vector<std::string> args{DW_TDS_SERVER_PATH, "--port", "0", "--log", dir_.file("server.log"),
                                  "--control-file", dir_.file("control")};
    args.insert(args.end(), extra_args.begin(), extra_args.end());
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        std::vector<char*> argv;
        for (auto& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    const std::string line = read_line(out[0], 5000);
    ::close(out[0]);
    const std::string prefix = "listening on 127.0.0.1:";
    if (line.rfind(prefix, 0) != 0) {
        stop(1000);
        throw std::runtime_error("dw_tds_server did not report its port; it said \"" + line + "\"");
    }
    port_ = static_cast<std::uint16_t>(std::stoi(line.substr(prefix.size())));
}

ServerProcess::~ServerProcess()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

std::string ServerProcess::log_text() const
{
    std::ifstream file(dir_.file("server.log"));
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

void ServerProcess::set_fail_mode(const std::string& mode) const
{
    std::ofstream(dir_.file("control")) << mode << "\n";
}

bool ServerProcess::running()
{
    if (pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;
    }
    return pid_ > 0;
}

int ServerProcess::stop(int timeout_ms)
{
    if (pid_ <= 0) {
        return -1;
    }
    ::kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    int status = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
    return -1;
}

}  // namespace dw::tds::test
