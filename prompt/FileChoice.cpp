#include "FileChoice.h"

#include "db/Database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <QUrlQuery>

QString captureFileFilter()
{
    return QStringLiteral("Capture Files(*.cap *.pcap *.pcapng);;All Files(*)");
}

QString databaseFileFilter(const QString& firstFilter)
{
    return firstFilter + QStringLiteral(";;SQLite(*.db *.sqlite)");
}

QString viewDatabaseFilter()
{
    return databaseFileFilter(QStringLiteral("Microsoft Access文件(*.mdb)"));
}

QString databasePattern()
{
    return QStringLiteral("*.mdb");
}

QString patternIn(const QString& directory, const QString& pattern)
{
    return directory.isEmpty() ? pattern : QDir(directory).filePath(pattern);
}

bool isServerDatabase(const QString& name)
{
    return trawler::db::isServerName(QFile::encodeName(name).toStdString());
}

QString databaseDisplayName(const QString& name)
{
    if (!isServerDatabase(name))
        return name;
    QUrl url(name, QUrl::StrictMode);
    if (!url.isValid()) {
        // Not parsed: show no more than the scheme rather than risk a password.
        return name.left(name.indexOf(QStringLiteral("://")) + 3) + QStringLiteral("...");
    }
    url.setPassword(QString());
    QUrlQuery query(url);
    query.removeAllQueryItems(QStringLiteral("password"));
    url.setQuery(query.isEmpty() ? QString() : query.query(QUrl::FullyEncoded), QUrl::StrictMode);
    return url.toString(QUrl::FullyEncoded);
}

QString withDatabaseExtension(const QString& path)
{
    if (isServerDatabase(path))
        return path;
    if (path.isEmpty() || path.endsWith(QLatin1Char('/')))
        return path;
    return QFileInfo(path).suffix().isEmpty() ? path + QStringLiteral(".mdb") : path;
}
