#pragma once
#include "Messages.h"

#include <stdexcept>
#include <string>

namespace trawler::reports {

// Why a report stopped. what() is the text the operator is shown, in a
// message box (GUI) or on standard error (command line).
class ReportError : public std::runtime_error {
public:
    enum class Kind {
        NoDatabase,   // no database chosen: messages::kNoDatabase
        NoRecords,    // the result has no row: messages::kNoRecords
        ParseWriting, // no row yet, and a parse run is writing the file: messages::kParseWriting
        Database,     // the database layer failed: its own description
    };
    ReportError(Kind kind, const std::string& message) : std::runtime_error(message), m_kind(kind) {}
    Kind kind() const { return m_kind; }

    static ReportError noDatabase() { return ReportError(Kind::NoDatabase, messages::kNoDatabase); }
    static ReportError noRecords() { return ReportError(Kind::NoRecords, messages::kNoRecords); }
    static ReportError parseWriting() { return ReportError(Kind::ParseWriting, messages::kParseWriting); }

private:
    Kind m_kind;
};

} // namespace trawler::reports
