#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dw::tds {

// Turns a directory as the client names it (a Windows path such as Z:\backups) into the path this
// server opens, so that the server and the program under Wine see the same directory.
class PathMap {
public:
    struct Rule {
        std::string windows_prefix;
        std::string local_prefix;
    };

    // Reads "WINDOWS_PREFIX=LOCAL_PREFIX", e.g. "Z:\=/" or "D:\Backup=/srv/backup".
    static std::optional<Rule> parse_rule(std::string_view rule);

    void add(Rule rule) { rules_.push_back(std::move(rule)); }
    bool empty() const { return rules_.empty(); }

    // The longest matching prefix wins; it matches without regard to case, with / and \ alike, and only
    // at a path-component boundary. The rest of the path follows with its backslashes made slashes.
    // A path no rule matches is returned as it is.
    std::string to_local(std::string_view path) const;

private:
    std::vector<Rule> rules_;
};

}  // namespace dw::tds
