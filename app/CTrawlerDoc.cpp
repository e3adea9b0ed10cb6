#include "CTrawlerDoc.h"

#include <QFile>

void CTrawlerDoc::OnNewDocument()
{
    m_pathName.clear();
}

bool CTrawlerDoc::OnOpenDocument(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Cannot open \"%1\": %2.").arg(path, file.errorString());
        return false;
    }
    m_pathName = path;
    return true;
}

bool CTrawlerDoc::OnSaveDocument(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = QStringLiteral("Cannot save \"%1\": %2.").arg(path, file.errorString());
        return false;
    }
    m_pathName = path;
    return true;
}
