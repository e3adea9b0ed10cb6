#pragma once
// File-system facts the database layer needs around the engine's own file
// handling. Internal to db/.
#include <string>

namespace trawler::db {

// When a write was refused for lack of permission: names the database file
// or, when the file itself is writable, its directory (a writer must create
// its log files there). Empty when neither is the cause.
std::string unwritableNote(const std::string& databaseFile);

// True when a rollback journal or write-ahead log beside the file holds
// changes that only a connection with write access can apply or read back.
bool hasPendingLog(const std::string& databaseFile);

// The engine's URI for opening a file that nothing may change while it is
// read (no locks, no log files): for media where none could be made.
std::string immutableUri(const std::string& databaseFile);

} // namespace trawler::db
