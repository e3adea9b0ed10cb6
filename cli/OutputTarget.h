#pragma once
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>

namespace trawler::cli {

// Where a command's output goes: standard output, or a file named with
// --output. Bytes go straight to the file descriptor through a buffer of
// our own, which keeps the system's reason for the first failed write
// (std::cout would lose it: any later call may change errno). A file is
// written under a temporary name beside it and renamed into place only once
// everything was written, so a failed or cut run never leaves a partial file
// under the name asked for, nor replaces an earlier good one.
class OutputTarget {
public:
    // path empty: standard output. Throws WriteFailure when the temporary file cannot be made,
    // or when path names the same file as source (the database being read): replacing it would
    // destroy what the output is made from.
    explicit OutputTarget(const std::string& path, const std::string& source = std::string());
    ~OutputTarget();
    OutputTarget(const OutputTarget&) = delete;
    OutputTarget& operator=(const OutputTarget&) = delete;

    std::ostream& stream() { return m_stream; }
    // "standard output" or the file's path, as failures name it.
    const std::string& name() const { return m_name; }
    bool toFile() const { return !m_temporary.empty(); }
    // Standard output is a terminal (never for a file).
    bool terminal() const;

    // Throws WriteFailure when a write has failed; cheap enough for every row.
    void check();
    // Writes what is buffered, then for a file closes and renames it into place. Throws WriteFailure.
    void commit();

private:
    class Buffer;

    std::string m_name;
    std::string m_temporary;   // empty for standard output
    int m_fd = -1;
    std::unique_ptr<Buffer> m_buffer;
    std::ostream m_stream;
    bool m_committed = false;
};

} // namespace trawler::cli
