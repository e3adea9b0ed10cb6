#pragma once
#include "Pipeline.h"
#include "StopSignal.h"

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace trawler::watch {

// True while another process holds a write lock (flock) on the file, as the
// capture component does on the file it is writing.
bool isBeingWritten(const std::string& path);

// The regular files of `folder`, oldest first (modification time, then name).
std::vector<std::string> captureFilesOldestFirst(const std::string& folder);

// Takes the capture files of a folder into a pipeline. A file is tried once
// it is complete; one refused as taken in already is passed over quietly.
class FolderIngest {
public:
    // Called after each file that was tried (taken in, refused or failed).
    using FileDone = std::function<void(const std::string& file, const TakeInResult& result)>;

    FolderIngest(Pipeline& pipeline, std::string folder, parse::RunListener& listener, FileDone done = {});

    // Every file not tried yet and not being written. Returns how many were tried.
    std::size_t sweep();
    // sweep(), then keeps watching the folder until `stop` is requested: a
    // file is tried when its writer closes it or it is moved in, and a file
    // that was locked is tried again until its lock is gone. Throws
    // std::runtime_error when the folder cannot be watched.
    void follow(const StopSignal& stop);
    // Files passed over because they were being written, not tried since.
    std::size_t waiting() const { return m_waiting.size(); }

private:
    Pipeline& m_pipeline;
    std::string m_folder;
    parse::RunListener& m_listener;
    FileDone m_done;
    bool tryFile(const std::string& file);

    std::set<std::string> m_tried;
    std::set<std::string> m_waiting;
};

} // namespace trawler::watch
