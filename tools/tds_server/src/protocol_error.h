#pragma once

#include <stdexcept>

namespace dw::tds {

// The client sent bytes that do not form the message they claim to be. The session that meets it
// ends and the server goes on serving the others.
class ProtocolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace dw::tds
