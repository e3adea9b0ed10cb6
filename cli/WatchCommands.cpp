// ingest, watch and the alert report: capture files taken in unattended, the
// detectors run over each run's frames, alerts stored and sent on.
#include "Commands.h"
#include "SensorOption.h"
#include "Failure.h"
#include "Output.h"

#include "db/AlertStore.h"
#include "db/DbError.h"
#include "watch/FolderIngest.h"
#include "watch/Pipeline.h"
#include "watch/WatchLoop.h"
#include "plugins/capture/CaptureApi.h"

#include <signal.h>

#include <fstream>
#include <iostream>
#include <memory>

namespace trawler::cli {

namespace {

// Where a signal handler finds the running command's stop request.
const watch::StopSignal* g_stop = nullptr;

void onStopSignal(int)
{
    if (g_stop)
        g_stop->request();
}

// Ctrl-C and SIGTERM (systemd's stop) end the command cleanly; restored on scope exit.
class StopOnSignals {
public:
    explicit StopOnSignals(const watch::StopSignal& stop)
    {
        g_stop = &stop;
        struct sigaction action {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGINT, &action, &m_oldInt);
        ::sigaction(SIGTERM, &action, &m_oldTerm);
    }
    ~StopOnSignals()
    {
        ::sigaction(SIGINT, &m_oldInt, nullptr);
        ::sigaction(SIGTERM, &m_oldTerm, nullptr);
        g_stop = nullptr;
    }

private:
    struct sigaction m_oldInt {};
    struct sigaction m_oldTerm {};
};

struct AlertOptions {
    std::string alertsFile;
    bool syslog = false;
    std::string onAlert;
    std::string vendorFile = watch::kDefaultVendorFile;
    watch::DetectorSettings settings;
};

void addAlertOptions(CLI::App* command, AlertOptions& o)
{
    command->add_option("--alerts", o.alertsFile, "Append alerts (one JSON object a line) to FILE instead of "
                                                  "standard output");
    command->add_flag("--syslog", o.syslog, "Also send alerts to the system log (facility daemon, tag trawler)");
    command->add_option("--on-alert", o.onAlert, "Run CMD (by /bin/sh) for each alert, the JSON on its standard "
                                                 "input; it never holds up capture or ingest");
    command->add_option("--vendor-file", o.vendorFile, "IEEE OUI registry for vendor names")->capture_default_str();
    auto& s = o.settings;
    command->add_option("--sweep-destinations", s.sweepDestinations, "icmp-sweep: distinct destinations of probes")
        ->capture_default_str()->check(CLI::PositiveNumber);
    command->add_option("--sweep-seconds", s.sweepSeconds, "icmp-sweep: within this many seconds")
        ->capture_default_str()->check(CLI::PositiveNumber);
    command->add_option("--syn-targets", s.synTargets, "syn-scan: distinct destination address/port pairs")
        ->capture_default_str()->check(CLI::PositiveNumber);
    command->add_option("--syn-seconds", s.synSeconds, "syn-scan: within this many seconds")
        ->capture_default_str()->check(CLI::PositiveNumber);
    command->add_option("--flip-flop-seconds", s.flipFlopSeconds, "flip-flop: back to the earlier MAC within this time")
        ->capture_default_str()->check(CLI::PositiveNumber);
    command->add_flag("--new-stations-while-learning", s.newStationsWhileLearning,
                      "Raise new-station alerts during a database's first run too");
}

// The outputs chosen on the command line, alive as long as the command runs.
class Outputs {
public:
    explicit Outputs(const AlertOptions& o)
    {
        if (!o.alertsFile.empty()) {
            m_file.open(o.alertsFile, std::ios::app);
            if (!m_file)
                throw std::runtime_error("Cannot open the alert file " + o.alertsFile);
            m_stream = std::make_unique<watch::StreamSink>(m_file);
        } else {
            m_stream = std::make_unique<watch::StreamSink>(std::cout);
        }
        if (o.syslog)
            m_syslog = std::make_unique<watch::SyslogSink>();
        if (!o.onAlert.empty())
            m_command = std::make_unique<watch::CommandSink>(o.onAlert, [](const std::string& line) {
                std::cerr << line << std::endl;
            });
    }

    void attach(watch::Pipeline& pipeline)
    {
        for (watch::AlertSink* sink : {static_cast<watch::AlertSink*>(m_stream.get()),
                                       static_cast<watch::AlertSink*>(m_syslog.get()),
                                       static_cast<watch::AlertSink*>(m_command.get())})
            if (sink)
                pipeline.addSink(sink);
    }

private:
    std::ofstream m_file;
    std::unique_ptr<watch::StreamSink> m_stream;
    std::unique_ptr<watch::SyslogSink> m_syslog;
    std::unique_ptr<watch::CommandSink> m_command;
};

// Run messages are kept for the per-file line; nothing is printed per frame.
class QuietListener : public parse::RunListener {
public:
    void message(std::string_view, std::string_view) override {}
};

// One line per file on standard error; true when the file was taken in or
// had been taken in before.
bool reportFile(const std::string& file, const watch::TakeInResult& result)
{
    if (result.run.outcome == TRAWLER_PARSE_ALREADY_STORED)
        return true;
    if (result.takenIn()) {
        std::cerr << "Taken in " << file << ": " << result.run.counters.total << " frames, " << result.alerts.size()
                  << " new alerts";
        if (result.run.outcome != TRAWLER_PARSE_COMPLETE)
            std::cerr << " (" << result.run.text << ")";
        std::cerr << std::endl;
        return result.run.outcome == TRAWLER_PARSE_COMPLETE;
    }
    std::cerr << "Not taken in " << file << ": " << result.run.text << std::endl;
    return false;
}

int runIngest(const std::string& database, const std::string& folder, bool follow, const AlertOptions& options)
{
    try {
        Outputs outputs(options);
        watch::Pipeline pipeline(database, options.settings, watch::VendorTable::load(options.vendorFile));
        outputs.attach(pipeline);
        QuietListener listener;
        bool allWell = true;
        watch::FolderIngest ingest(pipeline, folder, listener,
                                   [&allWell](const std::string& file, const watch::TakeInResult& result) {
                                       allWell = reportFile(file, result) && allWell;
                                   });
        if (follow) {
            watch::StopSignal stop;
            StopOnSignals signals(stop);
            ingest.follow(stop);
        } else {
            ingest.sweep();
            if (ingest.waiting() > 0)
                std::cerr << ingest.waiting() << " files are still being written and were left for later"
                          << std::endl;
        }
        return allWell ? 0 : 1;
    } catch (const std::exception& e) {
        reportFailure("ingest", e.what());
        return 1;
    }
}

// The running watch, for the signal handler.
watch::WatchLoop* g_watch = nullptr;

void onWatchSignal(int)
{
    if (g_watch)
        g_watch->stop();
}

struct WatchArguments {
    std::string database;
    std::string folder;
    std::uint32_t rotateMegabytes = 0;
    std::uint64_t maxDiskMegabytes = 0;
    watch::WatchSettings settings;
};

int runWatch(WatchArguments args, const AlertOptions& options)
{
    if (args.folder.empty())
        args.folder = watch::defaultCaptureFolder(args.database);
    args.settings.directory = args.folder;
    args.settings.rotateBytes = std::uint64_t{args.rotateMegabytes} * 1000000u;
    args.settings.maxDiskBytes = args.maxDiskMegabytes * 1000000u;
    try {
        Outputs outputs(options);
        watch::Pipeline pipeline(args.database, options.settings, watch::VendorTable::load(options.vendorFile));
        outputs.attach(pipeline);
        QuietListener listener;
        bool allWell = true;
        watch::WatchLoop loop(args.settings, pipeline, listener,
                              [&allWell](const std::string& file, const watch::TakeInResult& result) {
                                  allWell = reportFile(file, result) && allWell;
                              });
        std::cerr << "Watching; capture files in " << args.folder << " (Ctrl-C stops)" << std::endl;

        g_watch = &loop;
        struct sigaction action {};
        action.sa_handler = onWatchSignal;
        sigemptyset(&action.sa_mask);
        struct sigaction oldInt {};
        struct sigaction oldTerm {};
        ::sigaction(SIGINT, &action, &oldInt);
        ::sigaction(SIGTERM, &action, &oldTerm);
        const watch::WatchOutcome outcome = loop.run();
        ::sigaction(SIGINT, &oldInt, nullptr);
        ::sigaction(SIGTERM, &oldTerm, nullptr);
        g_watch = nullptr;

        std::cerr << "Captured " << outcome.packets << " packets in " << outcome.files << " files; the kernel passed "
                  << outcome.kernelReceived << " and dropped " << outcome.kernelDropped;
        if (outcome.deletedFiles > 0)
            std::cerr << "; " << outcome.deletedFiles << " old capture files deleted";
        std::cerr << "; " << pipeline.alertsRaised() << " new alerts" << std::endl;
        if (!outcome.error.empty())
            reportFailure("watch", outcome.error);
        const bool captured = outcome.captureStatus == TRAWLER_CAPTURE_STOPPED
            || outcome.captureStatus == TRAWLER_CAPTURE_LIMIT_REACHED;
        return captured && allWell ? 0 : 1;
    } catch (const std::exception& e) {
        reportFailure("watch", e.what());
        return 1;
    }
}

} // namespace

int runAlertReport(const std::string& path, const OutputOptions& options, std::size_t limit)
{
    return writeResult(path, options.file, [&](OutputTarget& target) {
        // A server's reader is the connection --sensor narrows to one sensor.
        db::Database database(path, db::isServerName(path) ? db::Database::Access::ReadOnly
                                                           : db::Database::Access::ReadWrite);
        db::AlertStore store(database);
        // Many sensors share a server database: there each alert says whose it is.
        const bool sensors = db::isServerName(path);
        std::vector<std::string> columns{"Id", "Time", "Kind", "Severity", "Ip", "Mac", "Previousmac", "Vendor",
                                         "Source", "Count", "Windowseconds", "File", "Run", "Acknowledged"};
        if (sensors)
            columns.push_back("Sensor");
        ResultWriter writer(target, parseFormat(options.format, target.terminal()), columns,
                            PageText{"Alerts", std::nullopt}, options.byteOrderMark);
        const auto number = [](const std::optional<std::int64_t>& v) {
            return v ? std::optional<std::string>(std::to_string(*v)) : std::nullopt;
        };
        for (const auto& a : store.list(limit)) {
            reports::Row row{
                std::to_string(a.id), a.time, a.kind, a.severity, a.ip, a.mac, a.previousMac, a.vendor, a.source,
                number(a.count), number(a.windowSeconds), a.file, std::to_string(a.runId),
                std::string(a.acknowledged ? "yes" : "no")};
            if (sensors)
                row.push_back(a.sensor);
            writer.addRow(row, !a.acknowledged);
        }
        writer.finish(nullptr, {});
    });
}

void registerWatchCommands(CLI::App& app, int& status)
{
    auto database = std::make_shared<std::string>();
    auto folder = std::make_shared<std::string>();
    auto follow = std::make_shared<bool>(false);
    auto options = std::make_shared<AlertOptions>();

    CLI::App* ingest = app.add_subcommand(
        "ingest", "Parse every capture file in DIR not yet taken in (oldest first) and run the detectors; "
                  "alerts are printed one JSON object a line");
    ingest->add_option("DB", *database, "Database file with its tables already created")->required();
    ingest->add_option("DIR", *folder, "Folder of capture files")->required()->check(CLI::ExistingDirectory);
    ingest->add_flag("--follow", *follow, "Keep watching DIR and take in each new file once it is complete "
                                          "(until Ctrl-C or SIGTERM)");
    addAlertOptions(ingest, *options);
    auto ingestSensor = addSensorOption(ingest);
    ingest->callback([&status, database, folder, follow, options, ingestSensor] {
        status = runIngest(sensorDatabase(*database, *ingestSensor), *folder, *follow, *options);
    });

    auto watchArgs = std::make_shared<WatchArguments>();
    auto watchOptions = std::make_shared<AlertOptions>();
    CLI::App* watchCommand = app.add_subcommand(
        "watch", "Capture into rolling files, take in each closed file (an ordinary parse run) and run the detectors "
                 "over it, until Ctrl-C or SIGTERM (the last file is taken in too)");
    watchCommand->add_option("DB", watchArgs->database, "Database file with its tables already created")->required();
    watchCommand->add_option("--interface", watchArgs->settings.interfaceName, "Capture interface");
    watchCommand->add_option("--filter", watchArgs->settings.filter, "BPF capture filter");
    watchCommand->add_option("--dir", watchArgs->folder, "Folder for the capture files (default: DB-captures; for a server database, trawler-captures here)");
    watchCommand->add_option("--rotate-seconds", watchArgs->settings.rotateSeconds, "Close a file after N seconds")
        ->capture_default_str()->check(CLI::PositiveNumber);
    watchCommand->add_option("--rotate-mb", watchArgs->rotateMegabytes, "... or once it reaches N MB");
    watchCommand->add_option("--max-disk-mb", watchArgs->maxDiskMegabytes,
                             "Delete the oldest files already taken in while the folder holds more than N MB");
    watchCommand->add_option("--seconds", watchArgs->settings.maxSeconds, "Stop after N seconds");
    addAlertOptions(watchCommand, *watchOptions);
    auto watchSensor = addSensorOption(watchCommand);
    watchCommand->callback([&status, watchArgs, watchOptions, watchSensor] {
        watchArgs->database = sensorDatabase(watchArgs->database, *watchSensor);
        status = runWatch(*watchArgs, *watchOptions);
    });

    auto ackDatabase = std::make_shared<std::string>();
    auto ackId = std::make_shared<std::int64_t>(0);
    CLI::App* ack = app.add_subcommand("acknowledge", "Mark a stored alert (or, without ID, every alert) acknowledged");
    ack->add_option("DB", *ackDatabase, "Path of the database file")->required();
    ack->add_option("ID", *ackId, "The alert's Id as `report alerts` lists it")->check(CLI::PositiveNumber);
    ack->callback([&status, ackDatabase, ackId] {
        try {
            db::Database database(*ackDatabase);
            db::AlertStore store(database);
            const int changed = store.acknowledge(*ackId > 0 ? std::optional<std::int64_t>(*ackId) : std::nullopt);
            std::cout << changed << " alerts acknowledged\n";
            status = 0;
        } catch (const db::DbError& e) {
            std::cerr << "Database error: " << e.description() << '\n';
            status = 1;
        }
    });
}

} // namespace trawler::cli
