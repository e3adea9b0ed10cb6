#include "IpMacStore.h"

#include "Catalogue.h"
#include "IpMacInput.h"
#include "Messages.h"

#include "db/Database.h"
#include "db/DbError.h"

#include <optional>

namespace trawler::reports {

namespace {

enum class Action { Insert, Modify };

IpMacOutcome outcome(IpMacOutcome::Kind kind, std::string message)
{
    return IpMacOutcome{kind, std::move(message)};
}

IpMacOutcome store(Action action, const std::string& dbPath, std::string_view ipText, std::string_view macText,
                   db::WaitObserver* wait)
{
    using Kind = IpMacOutcome::Kind;
    if (dbPath.empty())
        return outcome(Kind::NoDatabase, messages::kNoDatabase);
    const IpMacCheck check = checkIpMacInput(ipText, macText);
    if (!check.ok())
        return outcome(Kind::InvalidInput, check.message);
    const IpMacInput& in = *check.value;

    try {
        db::Database database;
        database.setWaitObserver(wait);
        database.open(dbPath);
        // The lookup and the write form one transaction, so a binding added
        // by someone else in between cannot slip past the lookup.
        db::Transaction transaction(database);
        db::Statement lookup = database.prepare(ipmac_sql::kLookup);
        lookup.bindText(1, in.ip);
        const bool bound = lookup.step();
        lookup = db::Statement();

        if (action == Action::Insert) {
            if (bound)
                return outcome(Kind::AlreadyExists, messages::kIpMacExists);
            database.prepare(ipmac_sql::kInsert).bindText(1, in.ip).bindText(2, in.mac).execute();
            transaction.commit();
            return outcome(Kind::Inserted, messages::kIpMacInserted);
        }
        if (!bound)
            return outcome(Kind::NotIncluded, messages::kIpMacNotIncluded);
        database.prepare(ipmac_sql::kUpdate).bindText(1, in.mac).bindText(2, in.ip).execute();
        transaction.commit();
        return outcome(Kind::Updated, messages::kIpMacUpdated);
    } catch (const db::DbError& e) {
        return outcome(Kind::DatabaseError, e.what());
    }
}

} // namespace

IpMacOutcome insertIpMac(const std::string& dbPath, std::string_view ip, std::string_view mac,
                         db::WaitObserver* wait)
{
    return store(Action::Insert, dbPath, ip, mac, wait);
}

IpMacOutcome modifyIpMac(const std::string& dbPath, std::string_view ip, std::string_view mac,
                         db::WaitObserver* wait)
{
    return store(Action::Modify, dbPath, ip, mac, wait);
}

} // namespace trawler::reports
