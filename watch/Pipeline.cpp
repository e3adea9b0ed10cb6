#include "Pipeline.h"

#include "db/DbError.h"
#include "reports/Catalogue.h"

namespace trawler::watch {

Pipeline::Pipeline(std::string databaseFile, DetectorSettings settings, VendorTable vendors)
    : m_databaseFile(std::move(databaseFile)), m_settings(settings), m_vendors(std::move(vendors))
{
}

void Pipeline::prepare()
{
    if (m_detectors)
        return;
    db::Database database(m_databaseFile);
    db::AlertStore store(database);
    DetectorHistory history;
    history.lastMacs = store.lastSenderMacs();
    history.sharePairs = store.pairsOnPorts(reports::fileSharingPorts());
    auto detectors = std::make_unique<Detectors>(m_settings);
    detectors->loadHistory(history);
    m_detectors = std::move(detectors);
}

TakeInResult Pipeline::takeIn(const std::string& captureFile, parse::RunListener& listener)
{
    TakeInResult result;
    bool learning = false;
    try {
        prepare();
        db::Database database(m_databaseFile);
        db::AlertStore store(database);
        learning = !store.hasRuns();
        m_detectors->beginRun(captureFile, store.referenceBindings(), learning);
    } catch (const std::exception& e) {
        const auto* dbError = dynamic_cast<const db::DbError*>(&e);
        result.run.outcome = TRAWLER_PARSE_DATABASE_ERROR;
        result.run.caption = "Wrong";
        result.run.text = dbError ? "Database error: " + dbError->description() : std::string(e.what());
        m_detectors.reset();
        try {
            listener.message(result.run.caption, result.run.text);
        } catch (...) {
            // as the parse run: the host's failure to show it changes nothing
        }
        return result;
    }

    parse::RunOptions options;
    options.observer = m_detectors.get();
    result.run = parse::runParse(captureFile, m_databaseFile, listener, options);
    std::vector<db::StoredAlert> pending = m_detectors->takePending();
    if (!result.takenIn()) {
        // The frames were seen but not stored: what the detectors learnt from
        // them is forgotten by reading the history again.
        m_detectors.reset();
        return result;
    }
    ++m_files;
    try {
        db::Database database(m_databaseFile);
        db::AlertStore store(database);
        const std::int64_t run = store.runOf(captureFile);
        db::Transaction transaction(database);
        for (auto& alert : pending) {
            alert.runId = run;
            if (!alert.mac.empty())
                alert.vendor = m_vendors.lookup(alert.mac);
            if (store.insert(alert))
                result.alerts.push_back(std::move(alert));
        }
        transaction.commit();
    } catch (const std::exception& e) {
        result.alerts.clear();
        result.run.text += std::string("\nThe alerts of this file were not stored: ") + e.what();
        return result;
    }
    m_alerts += result.alerts.size();
    for (const auto& alert : result.alerts) {
        const std::string json = alertJson(alert);
        for (AlertSink* sink : m_sinks) {
            try {
                sink->publish(alert, json);
            } catch (const std::exception&) {
                // The alert is stored; one output failing must not stop the others.
            }
        }
    }
    return result;
}

} // namespace trawler::watch
