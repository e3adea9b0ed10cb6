#pragma once
namespace trawler::db {
class WaitObserver;
}

#include <string>
#include <string_view>

namespace trawler::reports {

// What an insert or modify of a reference binding came to, with the text the
// operator is shown (messages::kIpMac... or the database's own description).
struct IpMacOutcome {
    enum class Kind {
        Inserted,        // "Insert record succeed."
        Updated,         // "Record Update succeed."
        AlreadyExists,   // insert of a bound IP: nothing written
        NotIncluded,     // modify of an unbound IP: nothing written
        InvalidInput,    // checkIpMacInput refused a text: no database work
        NoDatabase,      // no database chosen
        DatabaseError,   // the database layer failed: nothing written
    };
    Kind kind = Kind::DatabaseError;
    std::string message;
    bool succeeded() const { return kind == Kind::Inserted || kind == Kind::Updated; }
};

// Adds the binding ip -> mac to the reference list unless the IP has one
// already (whatever its MAC). The texts are checked and normalised first
// (IpMacInput.h) and reach the database only as bound parameters.
// While another run writes the database the call waits for it; `wait` (may be
// null) is told so and may give up, which ends in DatabaseError.
IpMacOutcome insertIpMac(const std::string& dbPath, std::string_view ip, std::string_view mac,
                         db::WaitObserver* wait = nullptr);

// Replaces the MAC of the IP's existing binding; an IP without a binding is
// refused.
IpMacOutcome modifyIpMac(const std::string& dbPath, std::string_view ip, std::string_view mac,
                         db::WaitObserver* wait = nullptr);

} // namespace trawler::reports
