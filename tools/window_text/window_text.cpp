// Development tool: prints the text of a control of a top-level window, found by the window's class
// and a path of control ids (as the demo script reads the next backup time off the panel). Not part
// of what ships.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: dw_window_text <window class> <control id>...\n");
    return 2;
  }
  HWND window = ::FindWindowA(argv[1], nullptr);
  for (int i = 2; window != nullptr && i < argc; ++i) {
    window = ::GetDlgItem(window, std::atoi(argv[i]));
  }
  if (window == nullptr) {
    std::fprintf(stderr, "dw_window_text: no such window\n");
    return 1;
  }
  char text[512] = {};
  ::GetWindowTextA(window, text, static_cast<int>(sizeof text));
  std::printf("%s\n", text);
  return 0;
}
