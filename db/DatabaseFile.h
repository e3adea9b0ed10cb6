#pragma once
#include <optional>
#include <string>
#include <vector>

namespace trawler::db {

// Makes a new, empty database file. A file that exists already is never
// replaced or truncated: that, like any other failure, throws DbError.
void createDatabaseFile(const std::string& path);

struct InitOutcome {
    std::vector<std::string> created;   // tables created, in creation order
    std::optional<std::string> error;   // the engine's description of the failure
    bool completed() const { return !error; }
};

// Gives the file every capture table it lacks, in the fixed order. A table
// counts as present only under its exact name (letter case included). The
// first failure ends the work; tables created before it stay. A file that
// does not exist or is not a database is left untouched.
InitOutcome initTables(const std::string& path);

} // namespace trawler::db
