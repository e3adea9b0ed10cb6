#pragma once
#include <string>

namespace trawler::db {

// Tells other connections, in this process or another, that a parse run is
// writing a database file: a report that finds no rows can then say that
// rows are still to come instead of that there are none.
//
// The mark is an open-file-description lock on one byte far beyond any
// offset the engine locks, so it never conflicts with the engine's own locks
// and is seen from another descriptor of the same process too. It goes away
// with the mark, or with the process however that ends.
class ParseWritingMark {
public:
    // Never throws: a file that cannot be marked is simply not marked.
    explicit ParseWritingMark(const std::string& databasePath);
    ~ParseWritingMark();
    ParseWritingMark(const ParseWritingMark&) = delete;
    ParseWritingMark& operator=(const ParseWritingMark&) = delete;

    bool held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// True while some ParseWritingMark holds the file. False for a file that
// cannot be opened.
bool parseIsWriting(const std::string& databasePath);

} // namespace trawler::db
