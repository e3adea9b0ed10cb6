#include "CaptureLibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QMutex>

namespace {

QMutex g_directoryMutex;
QString g_directory;

} // namespace

void CaptureLibrary::setDirectory(const QString& dir)
{
    QMutexLocker lock(&g_directoryMutex);
    g_directory = dir;
}

QString CaptureLibrary::directory()
{
    QMutexLocker lock(&g_directoryMutex);
    return g_directory.isEmpty() ? QCoreApplication::applicationDirPath() : g_directory;
}

CaptureLibrary::LoadResult CaptureLibrary::load()
{
    m_entry = EntryPoints{};
    // A path, not a bare name: the component is the one shipped beside the
    // program, never one the loader finds elsewhere.
    m_library.setFileName(QDir(directory()).filePath(QString::fromLatin1(kLibraryName)));
    if (!m_library.load())
        return LoadResult::NotFound;
    m_entry.run = reinterpret_cast<decltype(m_entry.run)>(m_library.resolve("TrawlerCaptureRun"));
    m_entry.stop = reinterpret_cast<decltype(m_entry.stop)>(m_library.resolve("TrawlerCaptureStop"));
    m_entry.lastError = reinterpret_cast<decltype(m_entry.lastError)>(m_library.resolve("TrawlerCaptureLastError"));
    if (!m_entry.complete() || !m_library.resolve("Capture")) {
        m_entry = EntryPoints{};
        return LoadResult::MissingEntryPoint;
    }
    return LoadResult::Loaded;
}
