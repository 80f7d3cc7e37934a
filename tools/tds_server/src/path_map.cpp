#include "path_map.h"

#include <cctype>

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

bool matches(std::string_view path, std::string_view prefix)
{
    if (prefix.empty() || path.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (!same_char(path[i], prefix[i])) {
            return false;
        }
    }
    return path.size() == prefix.size() || is_separator(prefix.back()) || is_separator(path[prefix.size()]);
}

}  // namespace

std::optional<PathMap::Rule> PathMap::parse_rule(std::string_view spec)
{
    const auto equals = spec.find('=');
    if (equals == std::string_view::npos || equals == 0 || equals + 1 == spec.size()) {
        return std::nullopt;
    }
    return Rule{std::string(spec.substr(0, equals)), std::string(spec.substr(equals + 1))};
}

std::string PathMap::to_local(std::string_view path) const
{
    const Rule* best = nullptr;
    for (const auto& rule : rules_) {
        if (matches(path, rule.windows_prefix) &&
            (best == nullptr || rule.windows_prefix.size() > best->windows_prefix.size())) {
            best = &rule;
        }
    }
    if (best == nullptr) {
        return std::string(path);
    }
    std::string_view rest = path.substr(best->windows_prefix.size());
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
