#pragma once
// The document: it holds no data. Saving writes an empty file and opening
// reads nothing, but both report a file that cannot be used.
#include <QString>

class CTrawlerDoc {
public:
    void OnNewDocument();
    // Each returns false with a message for the operator in *error.
    bool OnOpenDocument(const QString& path, QString* error);
    bool OnSaveDocument(const QString& path, QString* error);

    // The file the document was last opened from or saved to; empty when new.
    QString pathName() const { return m_pathName; }

private:
    QString m_pathName;
};
