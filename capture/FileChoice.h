#pragma once
// What the program's file choosers offer: the filters of capture files and
// database files, where a chooser starts, and the extension a database name
// typed without one gets.
#include <QString>

// Capture files in every layout the parser reads.
QString captureFileFilter();
// The database filter: the program's own files first, then SQLite's usual names.
QString databaseFileFilter(const QString& firstFilter);
// The initial name of a chooser that lists `pattern` in `directory` (an
// empty directory: where the chooser would start anyway).
QString patternIn(const QString& directory, const QString& pattern);
// A database file name without an extension gets ".mdb"; others are kept.
QString withDatabaseExtension(const QString& path);
