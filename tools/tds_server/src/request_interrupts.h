#pragma once

#include <chrono>
#include <exception>
#include <stdexcept>

namespace dw::tds {

// The client sent an attention while its request was still running: the request is abandoned and
// answered with DONE carrying the attention bit.
class RequestCancelled : public std::exception {
public:
    const char* what() const noexcept override { return "cancelled by the client's attention"; }
};

// The connection must end now, without an answer (told to drop it, or the client is gone).
class ConnectionDropped : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Lets a request wait (the slow mode) while still noticing the client's attention or departure.
class Pacer {
public:
    enum class Wake { Elapsed, Attention, Gone };
    virtual ~Pacer() = default;
    virtual Wake pause(std::chrono::seconds duration) = 0;
};

}  // namespace dw::tds
