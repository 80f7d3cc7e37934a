#pragma once

#include "byte_reader.h"

namespace dw::tds {

// Steps over the ALL_HEADERS block that TDS 7.2 and later put in front of SQL batches and RPC
// requests (transaction descriptor, trace activity, query notifications); none of it matters here.
// Throws ProtocolError when its lengths do not add up.
void skip_all_headers(ByteReader& reader);

}  // namespace dw::tds
