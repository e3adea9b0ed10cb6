#pragma once
// What the program's file choosers offer: the filters of capture files and
// database files, where a chooser starts, and the extension a database name
// typed without one gets.
#include <QString>

// Capture files in every layout the parser reads.
QString captureFileFilter();
// The database filter: the program's own files first, then SQLite's usual names.
QString databaseFileFilter(const QString& firstFilter);
// The view's database choosers (create, initialise, choose for analysis):
// their filter and the name they start with.
QString viewDatabaseFilter();
QString databasePattern();
// The initial name of a chooser that lists `pattern` in `directory` (an
// empty directory: where the chooser would start anyway).
QString patternIn(const QString& directory, const QString& pattern);
// A database file name without an extension gets ".mdb"; others are kept,
// and a server's URI (postgresql:// or postgres://) is kept as typed.
QString withDatabaseExtension(const QString& path);
// Whether a database name is a server's URI rather than a file.
bool isServerDatabase(const QString& name);
// A database name as the operator is shown it: a server's URI without its
// password (in the user part or as a password= parameter); a file as is.
QString databaseDisplayName(const QString& name);
