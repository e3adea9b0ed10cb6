// reindex: builds a database's traffic summaries again from every ip row,
// for files that another program changed behind the summaries' back.
#include "Commands.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/Summary.h"

#include <iostream>
#include <memory>

namespace trawler::cli {

namespace {

// Progress on standard error, one line per tenth, so a script's log shows
// that a long build is moving.
class ProgressLines : public db::SummaryObserver {
public:
    void summaryProgress(std::uint64_t done, std::uint64_t total) override
    {
        const int tenth = total == 0 ? 10 : static_cast<int>(done * 10 / total);
        if (tenth == m_lastTenth)
            return;
        m_lastTenth = tenth;
        std::cerr << "Summing rows: " << done << " of " << total << '\n';
    }

private:
    int m_lastTenth = -1;
};

int reindex(const std::string& path)
{
    try {
        db::Database database(path);
        if (db::summaryStatus(database) == db::SummaryStatus::Unavailable) {
            std::cerr << "The database has no ip table; there is nothing to summarise.\n";
            return 1;
        }
        ProgressLines progress;
        db::rebuildSummaries(database, &progress);
    } catch (const db::DbError& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
    std::cout << "Traffic summaries rebuilt.\n";
    return 0;
}

} // namespace

void registerReindexCommand(CLI::App& app, int& status)
{
    auto path = std::make_shared<std::string>();
    CLI::App* cmd = app.add_subcommand(
        "reindex", "Rebuild the traffic summaries of a database from its ip table. Needed only after another "
                   "program changed the ip table without the database's triggers (for example by recreating it); "
                   "changes made through Trawler keep them up to date.");
    cmd->add_option("DB", *path, "Path of the database file")->required();
    cmd->callback([&status, path] { status = reindex(*path); });
}

} // namespace trawler::cli
