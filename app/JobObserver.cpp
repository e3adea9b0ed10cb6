#include "JobObserver.h"

#include "ReportWorker.h"

#include "reports/Interruption.h"

#include <QCoreApplication>

JobObserver::JobObserver(ReportWorker& worker, const trawler::reports::Interruption& job)
    : m_worker(worker), m_job(job)
{
}

void JobObserver::waitingForWriter()
{
    m_worker.postNote(m_job, QCoreApplication::translate("JobObserver", "正在等待另一个运行结束..."));
}

bool JobObserver::giveUpWaiting()
{
    return m_job.cancelled();
}

void JobObserver::summaryProgress(std::uint64_t done, std::uint64_t total)
{
    const int percent = total ? int(done * 100 / total) : 0;
    if (percent == m_lastPercent)
        return;
    m_lastPercent = percent;
    m_worker.postNote(m_job, QCoreApplication::translate("JobObserver", "正在生成流量汇总 %1%").arg(percent));
}

bool JobObserver::summaryCancelled()
{
    return m_job.cancelled();
}
