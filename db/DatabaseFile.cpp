#include "DatabaseFile.h"

#include "Database.h"
#include "DbError.h"
#include "Schema.h"
#ifdef TRAWLER_HAVE_LIBPQ
#include "PgEngine.h"
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace trawler::db {

void createDatabaseFile(const std::string& path)
{
    if (path.empty())
        throw DbError("No database file was given.");
    if (isServerName(path)) {
#ifdef TRAWLER_HAVE_LIBPQ
        createServerDatabase(path);
        return;
#else
        throw DbError("This build of Trawler has no PostgreSQL support (libpq was not found when it was built).");
#endif
    }
    // O_EXCL makes "create only if absent" one step: no window in which an
    // existing file could be replaced.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        const int err = errno;
        if (err == EEXIST)
            throw DbError("Cannot create the database file \"" + path + "\": a file of that name exists already.");
        throw DbError("Cannot create the database file \"" + path + "\": " + std::strerror(err) + ".");
    }
    ::close(fd);
    try {
        Database db;
        db.openNew(path);
        // Writing the header now makes the file a database in its own right.
        db.execute("PRAGMA user_version = 0");
        db.execute("CREATE TABLE trawler_probe (x)");
        db.execute("DROP TABLE trawler_probe");
    } catch (...) {
        ::unlink(path.c_str());
        throw;
    }
}

InitOutcome initTables(const std::string& path)
{
    InitOutcome outcome;
    Database db;
    try {
        db.open(path);
    } catch (const DbError& e) {
        outcome.error = e.description();
        return outcome;
    }

    std::array<bool, kCaptureTables.size()> found{};
    try {
        for (const std::string& name : db.listTables())
            for (std::size_t i = 0; i < kCaptureTables.size(); ++i)
                if (name == kCaptureTables[i].name)
                    found[i] = true;
    } catch (const DbError& e) {
        outcome.error = e.description();
        return outcome;
    }

    for (std::size_t i = 0; i < kCaptureTables.size(); ++i) {
        if (found[i])
            continue;
        try {
            db.execute(kCaptureTables[i].sql);
            outcome.created.emplace_back(kCaptureTables[i].name);
        } catch (const DbError& e) {
            outcome.error = e.description();
            return outcome;
        }
    }
    return outcome;
}

} // namespace trawler::db
