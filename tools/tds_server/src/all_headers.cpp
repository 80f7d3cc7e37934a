#include "all_headers.h"

#include <string>

#include "protocol_error.h"

namespace dw::tds {

void skip_all_headers(ByteReader& reader)
{
    const std::size_t total = reader.u32le();
    if (total < 4 || total - 4 > reader.remaining()) {
        throw ProtocolError("ALL_HEADERS length " + std::to_string(total) + " does not fit the message");
    }
    std::size_t left = total - 4;
    while (left > 0) {
        if (left < 6) {
            throw ProtocolError("ALL_HEADERS ends inside a header");
        }
        const std::size_t length = reader.u32le();
        if (length < 6 || length > left) {
            throw ProtocolError("header length " + std::to_string(length) + " does not fit ALL_HEADERS");
        }
        reader.skip(length - 4);
        left -= length;
    }
}

}  // namespace dw::tds
