#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace trawler::db {

// The capture schema is written in the desktop-database dialect: "char(n)"
// for fixed-width text and "long" for 32-bit integers. This engine has
// neither, so a table definition is carried over column by column:
//   char(n) -> TEXT that compares, groups and sorts without regard to trailing
//              blanks (RTRIM collation) and refuses a value longer than n with
//              an error that names the column;
//   long    -> INTEGER that refuses anything but a 32-bit whole number.
// Values are stored as written; nothing is padded. Every other statement is
// returned unchanged.
std::string translateForEngine(std::string_view sql);

// The same statements for the PostgreSQL server: char(n) stays the server's
// own fixed-width text (in byte order), long becomes integer; square-bracket
// names, "?"/"?N" placeholders and "collate binary" are carried over to the
// server's forms. Everything else passes as written.
std::string translateForServer(std::string_view sql);

// The column in which a sensor's arp and history tables on the server number
// their rows as they arrive: the server keeps no insertion order of its own,
// and the file engine's row number serves the same purpose there.
inline constexpr std::string_view kArrivalColumn = "Seq";

// The alert table's statements for one engine (see AlertStore). Placeholders
// are "?"; the server's texts are translated like any other statement.
struct AlertStatements {
    std::string exists;         // one row, true when the table is there as it should be; empty: always create
    std::vector<std::string> create; // each harmless when done already
    std::string insert;         // returns the new row's Id and the schema it went to (empty on a file)
    std::string list;           // every column of kAlertColumns, then the schema, newest first
    std::string lastSenderMacs; // Sourceip, Sourcemac of each ARP sender's last row, in arrival order
    std::string runOf;          // the latest history row of Filename = ?
};
const AlertStatements& alertStatements(bool server);

// True when what follows a statement is only white space, semicolons and
// comments.
bool isBlankSqlTail(std::string_view tail);

} // namespace trawler::db
