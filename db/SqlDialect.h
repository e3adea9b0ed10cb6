#pragma once
#include <string>
#include <string_view>

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

// True when what follows a statement is only white space, semicolons and
// comments.
bool isBlankSqlTail(std::string_view tail);

} // namespace trawler::db
