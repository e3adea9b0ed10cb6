#pragma once
// Where a capture's packets go: a new file in the save directory, named after
// the capture's start time.
#include <ctime>
#include <string>

namespace trawler::capture {

// "trawler-YYYYMMDD-HHMMSS" in local time.
std::string captureFileStem(std::time_t start);

// Empty when `directory` names an existing directory the process may write
// into; else the reason, for the operator.
std::string checkSaveDirectory(const std::string& directory);

struct CreatedFile {
    int fd = -1;
    std::string path;
};

// Creates a file that did not exist before: <stem>.cap, or <stem>-2.cap,
// <stem>-3.cap... when captures start within the same second. Never
// replaces an existing file. False with `error` set on failure.
bool createCaptureFile(const std::string& directory, std::time_t start, CreatedFile& file, std::string& error);

} // namespace trawler::capture
