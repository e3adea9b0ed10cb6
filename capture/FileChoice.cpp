#include "FileChoice.h"

#include <QDir>
#include <QFileInfo>

QString captureFileFilter()
{
    return QStringLiteral("Capture Files(*.cap *.pcap *.pcapng);;All Files(*)");
}

QString databaseFileFilter(const QString& firstFilter)
{
    return firstFilter + QStringLiteral(";;SQLite(*.db *.sqlite)");
}

QString patternIn(const QString& directory, const QString& pattern)
{
    return directory.isEmpty() ? pattern : QDir(directory).filePath(pattern);
}

QString withDatabaseExtension(const QString& path)
{
    if (path.isEmpty() || path.endsWith(QLatin1Char('/')))
        return path;
    return QFileInfo(path).suffix().isEmpty() ? path + QStringLiteral(".mdb") : path;
}
