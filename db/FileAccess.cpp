#include "FileAccess.h"

#include "text/Hex.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace trawler::db {

namespace {

std::string why(int err)
{
    return std::string(" (") + std::strerror(err) + ")";
}

bool nonEmptyFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && st.st_size > 0;
}

} // namespace

std::string unwritableNote(const std::string& databaseFile)
{
    if (databaseFile.empty())
        return {};
    if (::access(databaseFile.c_str(), W_OK) != 0) {
        if (errno == ENOENT)
            return {};
        return ": the file \"" + databaseFile + "\" is not writable" + why(errno) + ".";
    }
    std::string dir = std::filesystem::path(databaseFile).parent_path().string();
    if (dir.empty())
        dir = ".";
    if (::access(dir.c_str(), W_OK | X_OK) != 0)
        return ": the directory \"" + dir + "\" is not writable" + why(errno) + "; a writer must create its log files there.";
    return {};
}

bool hasPendingLog(const std::string& databaseFile)
{
    return nonEmptyFile(databaseFile + "-wal") || nonEmptyFile(databaseFile + "-journal");
}

std::string immutableUri(const std::string& databaseFile)
{
    std::error_code ec;
    std::string path = std::filesystem::absolute(databaseFile, ec).string();
    if (ec)
        path = databaseFile;
    // Everything but unreserved characters and '/' is percent-encoded, so
    // no '?', '#' or '%' of the path is read as part of the URI.
    return "file://" + text::percentEncode(path, "/") + "?immutable=1";
}

} // namespace trawler::db
