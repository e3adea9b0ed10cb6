#pragma once
#include <string>

namespace trawler::db {

// Tells other connections, in this process or another, that a parse run is
// writing a database file: a report that finds no rows can then say that
// rows are still to come instead of that there are none.
//
// The mark is an open-file-description lock on a small file beside the
// database (its path with "-parsing" appended), seen from any descriptor,
// the same process's included, and gone with the mark or with the process
// however that ends. It is not taken on the database file itself: closing
// any descriptor of that file would drop the engine's own record locks held
// by this process.
class ParseWritingMark {
public:
    // Never throws: a file that cannot be marked is simply not marked.
    explicit ParseWritingMark(const std::string& databasePath);
    // The side file is removed by the last mark that lets go of it.
    ~ParseWritingMark();
    ParseWritingMark(const ParseWritingMark&) = delete;
    ParseWritingMark& operator=(const ParseWritingMark&) = delete;

    bool held() const { return m_fd >= 0; }

private:
    std::string m_path;
    int m_fd = -1;
};

// True while some ParseWritingMark holds the database file's mark.
bool parseIsWriting(const std::string& databasePath);

} // namespace trawler::db
