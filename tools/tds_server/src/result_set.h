#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace dw::tds {

enum class ColumnKind { Int, NVarChar };

struct Column {
    std::string name;
    ColumnKind kind = ColumnKind::NVarChar;
};

// std::monostate is SQL NULL.
using Cell = std::variant<std::monostate, std::int32_t, std::string>;

struct ResultSet {
    std::vector<Column> columns;
    std::vector<std::vector<Cell>> rows;
};

}  // namespace dw::tds
