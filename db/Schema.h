#pragma once
#include <array>
#include <string_view>

namespace trawler::db {

struct TableStatement {
    std::string_view name;
    std::string_view sql;
};

// The seven tables of a capture database, in the order initialisation
// creates them, each with the one statement that creates it.
extern const std::array<TableStatement, 7> kCaptureTables;

} // namespace trawler::db
