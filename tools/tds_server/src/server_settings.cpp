#include "server_settings.h"

#include "text.h"

namespace dw::tds {

const Account* ServerSettings::find_account(std::string_view user) const
{
    for (const auto& account : accounts) {
        if (equals_ignoring_case(account.user, user)) {
            return &account;
        }
    }
    return nullptr;
}

std::string ServerSettings::find_database(std::string_view name) const
{
    for (const auto& database : databases) {
        if (equals_ignoring_case(database, name)) {
            return database;
        }
    }
    return {};
}

}  // namespace dw::tds
