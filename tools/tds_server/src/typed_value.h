#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include "byte_reader.h"
#include "tds_version.h"

namespace dw::tds {

// A parameter value as the procedures of this server need it: text for character types and
// integers, nothing for types that do not convert to text here (binary, float, dates ...).
struct ParamValue {
    bool is_null = true;
    std::optional<std::string> text;
    std::optional<std::int64_t> integer;
};

struct TypedValue {
    std::uint8_t type = 0;
    ParamValue value;
};

// A well-formed value of a type whose length rules this server does not know; the request cannot be
// read further, so it is answered with an error instead of dropping the client.
class UnsupportedType : public std::runtime_error {
public:
    explicit UnsupportedType(std::uint8_t type)
        : std::runtime_error("data type 0x" + hex(type) + " is unknown"), type_(type)
    {
    }
    std::uint8_t type() const { return type_; }

private:
    static std::string hex(std::uint8_t value);
    std::uint8_t type_;
};

// Reads TYPE_INFO and the value that follows it (an RPC parameter). Throws ProtocolError when the
// bytes run out, UnsupportedType for types it cannot size.
TypedValue read_type_and_value(ByteReader& reader, const TdsVersion& version);

}  // namespace dw::tds
