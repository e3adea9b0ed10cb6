#pragma once
// A scratch capture database and generated captures for the watch tests,
// with the alerts a pipeline raised reduced to comparable texts.
#include "TempDir.h"

#include "db/AlertStore.h"
#include "db/DatabaseFile.h"
#include "reports/ReportCursor.h"
#include "tools/capgen/Generator.h"
#include "watch/Pipeline.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace trawler::test {

class QuietRun : public parse::RunListener {
public:
    void message(std::string_view, std::string_view) override {}
};

inline std::string makeDatabase(const TempDir& dir, const std::string& name = "watch.mdb")
{
    const std::string path = dir.file(name);
    db::createDatabaseFile(path);
    if (!db::initTables(path).completed())
        throw std::runtime_error("capture tables not created in " + path);
    return path;
}

inline std::string generate(const std::string& path, capgen::Scenario scenario, std::uint64_t seed = 1,
                            std::optional<std::uint64_t> frames = std::nullopt,
                            std::int64_t start = capgen::kDefaultStart)
{
    capgen::Options o;
    o.scenario = scenario;
    o.seed = seed;
    o.frames = frames;
    o.start = start;
    o.output = path;
    capgen::generateCapture(o);
    return path;
}

// "kind ip mac previous source" for each alert: what makes alerts the same.
inline std::string describe(const db::StoredAlert& a)
{
    return a.kind + " ip=" + a.ip + " mac=" + a.mac + " prev=" + a.previousMac + " src=" + a.source;
}

inline std::multiset<std::string> described(const std::vector<db::StoredAlert>& alerts,
                                            const std::string& kindOnly = "")
{
    std::multiset<std::string> out;
    for (const auto& a : alerts)
        if (kindOnly.empty() || a.kind == kindOnly)
            out.insert(describe(a));
    return out;
}

inline std::vector<db::StoredAlert> takeIn(watch::Pipeline& pipeline, const std::string& file)
{
    QuietRun listener;
    watch::TakeInResult result = pipeline.takeIn(file, listener);
    EXPECT_TRUE(result.takenIn()) << file << ": " << result.run.text;
    return result.alerts;
}

// Every row of a report or statement, cells as text ("" for NULL).
inline std::vector<std::vector<std::string>> rowsOf(reports::ReportCursor cursor)
{
    std::vector<std::vector<std::string>> out;
    for (const auto& row : cursor.fetchAll()) {
        std::vector<std::string> cells;
        for (const auto& cell : row)
            cells.push_back(cell.value_or(""));
        out.push_back(cells);
    }
    return out;
}

} // namespace trawler::test
