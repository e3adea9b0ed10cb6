// Stopping a report from another thread, and counting a query's rows on a
// connection of its own.
#include "CaptureDatabase.h"

#include "reports/FreeQuery.h"
#include "reports/Interruption.h"
#include "reports/ReportCursor.h"
#include "reports/RowCount.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace trawler::reports;

namespace {

class InterruptionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 2000; ++i)
            db.icmp("2004-05-17 09:00:00", "10.0.0." + std::to_string(i % 200), "10.0.1.1", "Echo Request");
    }

    // Runs `work` on a thread and cancels it from here until it has returned;
    // returns whether it ended by the cancel.
    template <class Work>
    bool cancelWhileRunning(Interruption& interruption, Work work)
    {
        std::atomic<bool> done{false};
        bool cancelled = false;
        std::thread runner([&] {
            try {
                work();
            } catch (const ReportError&) {
                cancelled = interruption.cancelled();
            }
            done = true;
        });
        // Repeated: an interrupt that comes before the statement starts is lost.
        while (!done) {
            interruption.cancel();
            std::this_thread::yield();
        }
        runner.join();
        return cancelled;
    }

    trawler::test::CaptureDatabase db;
    // Would run for hours: 2000^3 rows to count.
    const std::string heavy = "select count(*) from icmp a, icmp b, icmp c";
};

} // namespace

TEST_F(InterruptionTest, HeavyQueriesStopAtTheCancel)
{
    Interruption report;
    EXPECT_TRUE(cancelWhileRunning(report, [&] { ReportCursor::openSql(db.path, heavy, &report); }));
    Interruption free;
    EXPECT_TRUE(cancelWhileRunning(free, [&] { runFreeQuery(db.path, heavy, &free); }));
    Interruption count;
    EXPECT_TRUE(cancelWhileRunning(count, [&] { countRows(db.path, "select * from icmp a, icmp b, icmp c", &count); }));

    // A later fetch is stopped by attaching the cursor's connection.
    ReportCursor cursor = ReportCursor::openSql(db.path, "select a.Sourceip from icmp a, icmp b, icmp c");
    Interruption fetch;
    EXPECT_TRUE(cancelWhileRunning(fetch, [&] {
        Interruption::Scope scope(&fetch, cursor.connection());
        std::vector<Row> rows;
        cursor.fetch(std::size_t(-1), rows);
    }));
}

TEST_F(InterruptionTest, CancelBeforeTheStartRefusesAndChangesNothing)
{
    Interruption interruption;
    interruption.cancel();
    EXPECT_THROW(ReportCursor::openSql(db.path, "select * from icmp", &interruption), ReportError);
    EXPECT_THROW(runFreeQuery(db.path, "delete from icmp", &interruption), ReportError);
    EXPECT_EQ(db.count("icmp"), 2000);
    // An empty text still does nothing at all.
    EXPECT_EQ(runFreeQuery(db.path, "  ", &interruption).kind, FreeQueryOutcome::Kind::Nothing);
}

TEST_F(InterruptionTest, RowsAreCountedAsTheQueryListsThem)
{
    EXPECT_EQ(countRows(db.path, "select * from icmp"), std::optional<std::size_t>(2000));
    EXPECT_EQ(countRows(db.path, "select distinct Sourceip from icmp order by Sourceip;  \n"),
              std::optional<std::size_t>(200));
    EXPECT_EQ(countRows(db.path, "select * from icmp where Sourceip = '10.0.0.1' -- one host"),
              std::optional<std::size_t>(10));
    EXPECT_EQ(countRows(db.path, "select * from icmp where 0"), std::optional<std::size_t>(0));
    // Not a plain query: no count, and nothing is carried out.
    EXPECT_EQ(countRows(db.path, "delete from icmp"), std::nullopt);
    EXPECT_EQ(countRows(db.path, "select 1; delete from icmp"), std::nullopt);
    EXPECT_EQ(db.count("icmp"), 2000);
    EXPECT_THROW(countRows("", "select 1"), ReportError);
}
