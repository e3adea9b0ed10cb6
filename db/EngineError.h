#pragma once
// Turns an engine result code into the layer's DbError. Internal to db/.
#include "DbError.h"
#include "FileAccess.h"

#include <sqlite3.h>

#include <string>

namespace trawler::db {

inline DbError engineError(sqlite3* db, int rc)
{
    std::string description = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    // A parse writes its whole run in one transaction: another writer that
    // gave up waiting is told why, not only that the file is locked.
    if ((rc & 0xff) == SQLITE_BUSY)
        description += ": another connection is writing this database (a parse may be running); "
                       "try again when it has finished.";
    // A write refused for lack of permission says what is not writable.
    const int primary = rc & 0xff;
    if (db && (primary == SQLITE_READONLY || primary == SQLITE_CANTOPEN || primary == SQLITE_PERM)) {
        const char* file = sqlite3_db_filename(db, "main");
        description += unwritableNote(file ? file : "");
    }
    const auto cause = (rc & 0xff) == SQLITE_INTERRUPT ? DbError::Cause::Interrupted : DbError::Cause::Other;
    return DbError(description, rc, cause);
}

} // namespace trawler::db
