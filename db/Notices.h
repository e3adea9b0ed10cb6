#pragma once
// Texts the database layer's users show while they wait on the database.

namespace trawler::db::notices {

// A writer waits for another connection's write lock: usually a parse run,
// which holds it until its whole capture is stored.
inline constexpr const char* kWaitingForWriter = "Waiting for another run to finish...";

} // namespace trawler::db::notices
