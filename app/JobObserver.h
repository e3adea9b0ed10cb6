#pragma once
// What a report worker's job tells the database layer and hears from it: a
// wait for another run's write and the building of traffic summaries both
// show in the status bar, and both end when the job is cancelled (Esc or
// 停止). Its callbacks come on the job's thread.
#include "db/Database.h"
#include "db/Summary.h"

#include <cstdint>

class ReportWorker;

namespace trawler::reports {
class Interruption;
}

class JobObserver : public trawler::db::WaitObserver, public trawler::db::SummaryObserver {
public:
    JobObserver(ReportWorker& worker, const trawler::reports::Interruption& job);

    void waitingForWriter() override;
    bool giveUpWaiting() override;
    void summaryProgress(std::uint64_t done, std::uint64_t total) override;
    bool summaryCancelled() override;

private:
    ReportWorker& m_worker;
    const trawler::reports::Interruption& m_job;
    int m_lastPercent = -1; // posted only when it changes
};
