#include "CaptureFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace trawler::capture {

std::string captureFileStem(std::time_t start)
{
    std::tm local{};
    localtime_r(&start, &local);
    char text[32] = {};
    std::strftime(text, sizeof text, "trawler-%Y%m%d-%H%M%S", &local);
    return text;
}

std::string checkSaveDirectory(const std::string& directory)
{
    if (directory.empty())
        return "No save directory is set.";
    struct stat info {};
    if (::stat(directory.c_str(), &info) != 0)
        return "The save directory \"" + directory + "\" cannot be used: " + std::strerror(errno) + ".";
    if (!S_ISDIR(info.st_mode))
        return "The save directory \"" + directory + "\" is not a directory.";
    if (::access(directory.c_str(), W_OK | X_OK) != 0)
        return "Cannot write into the save directory \"" + directory + "\": " + std::strerror(errno) + ".";
    return {};
}

bool createCaptureFile(const std::string& directory, std::time_t start, CreatedFile& file, std::string& error)
{
    const std::string stem = captureFileStem(start);
    const std::filesystem::path folder(directory);
    for (int attempt = 1; attempt <= 1000; ++attempt) {
        const std::string name = attempt == 1 ? stem + ".cap" : stem + "-" + std::to_string(attempt) + ".cap";
        const std::string path = (folder / name).string();
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            file.fd = fd;
            file.path = path;
            return true;
        }
        if (errno != EEXIST) {
            error = "Cannot create the capture file \"" + path + "\": " + std::strerror(errno) + ".";
            return false;
        }
    }
    error = "Cannot create a capture file named " + stem + " in \"" + directory + "\": too many files of that name.";
    return false;
}

} // namespace trawler::capture
