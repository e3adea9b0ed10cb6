#pragma once
// The capture component, libcapture.so, loaded by name at run time from the
// program's own folder, and the entry points the capture worker calls.
#include "plugins/capture/CaptureApi.h"

#include <QLibrary>
#include <QString>

class CaptureLibrary {
public:
    // The library's base name: QLibrary makes it libcapture.so.
    static constexpr char kLibraryName[] = "capture";

    struct EntryPoints {
        decltype(&TrawlerCaptureRun) run = nullptr;
        decltype(&TrawlerCaptureStop) stop = nullptr;
        decltype(&TrawlerCaptureLastError) lastError = nullptr;
        bool complete() const { return run && stop && lastError; }
    };

    enum class LoadResult { Loaded, NotFound, MissingEntryPoint };

    // Folder the library is loaded from for every later load; the program's
    // own folder when empty (the default).
    static void setDirectory(const QString& dir);
    static QString directory();

    // Loads the library (again) and looks up its entry points. The library
    // stays loaded while the program runs.
    LoadResult load();
    const EntryPoints& entryPoints() const { return m_entry; }
    // Why the last load failed, from the system's loader.
    QString errorString() const { return m_library.errorString(); }

private:
    QLibrary m_library;
    EntryPoints m_entry;
};
