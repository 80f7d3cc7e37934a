#include "path_map.h"

#include <cctype>
#include <optional>

namespace dw::tds {
namespace {

bool is_separator(char c)
{
    return c == '\\' || c == '/';
}

bool same_char(char a, char b)
{
    if (is_separator(a) && is_separator(b)) {
        return true;
    }
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

// Length of the part of path the prefix covers, or nothing. "Z:" is covered by the prefix "Z:\".
std::optional<std::size_t> covered(std::string_view path, std::string_view prefix)
{
    while (prefix.size() > 1 && is_separator(prefix.back()) && path.size() < prefix.size()) {
        prefix.remove_suffix(1);
    }
    if (prefix.empty() || path.size() < prefix.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (!same_char(path[i], prefix[i])) {
            return std::nullopt;
        }
    }
    if (path.size() == prefix.size() || is_separator(prefix.back()) || is_separator(path[prefix.size()])) {
        return prefix.size();
    }
    return std::nullopt;
}

}  // namespace

std::optional<PathMap::Rule> PathMap::parse_rule(std::string_view rule)
{
    const auto equals = rule.find('=');
    if (equals == std::string_view::npos || equals == 0 || equals + 1 == rule.size()) {
        return std::nullopt;
    }
    return Rule{std::string(rule.substr(0, equals)), std::string(rule.substr(equals + 1))};
}

std::string PathMap::to_local(std::string_view path) const
{
    const Rule* best = nullptr;
    std::size_t best_length = 0;
    for (const auto& rule : rules_) {
        const auto length = covered(path, rule.windows_prefix);
        if (length && (best == nullptr || *length > best_length)) {
            best = &rule;
            best_length = *length;
        }
    }
    if (best == nullptr) {
        return std::string(path);
    }
    std::string_view rest = path.substr(best_length);
    while (!rest.empty() && is_separator(rest.front())) {
        rest.remove_prefix(1);
    }
    std::string local = best->local_prefix;
    if (!rest.empty() && !local.empty() && local.back() != '/') {
        local += '/';
    }
    for (const char c : rest) {
        local += c == '\\' ? '/' : c;
    }
    return local;
}

}  // namespace dw::tds
