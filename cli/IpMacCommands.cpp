// ipmac add|set: the reference IP-MAC bindings, with the dialog's checks.
#include "Commands.h"
#include "Failure.h"

#include "db/Database.h"
#include "db/Notices.h"
#include "reports/IpMacStore.h"

#include <iostream>

namespace trawler::cli {

namespace {

int report(const std::string& path, const reports::IpMacOutcome& outcome)
{
    if (outcome.succeeded()) {
        std::cout << outcome.message << '\n';
        return 0;   // standard output is checked once the command is done (main)
    }
    reportFailure(path, outcome.message);
    return 1;
}

// While a parse holds the database the change waits for it, and says so once
// (Ctrl-C ends the wait with nothing written).
class NoticeOnWait : public db::WaitObserver {
public:
    void waitingForWriter() override { std::cerr << db::notices::kWaitingForWriter << std::endl; }
};

} // namespace

void registerIpMacCommands(CLI::App& app, int& status)
{
    auto path = std::make_shared<std::string>();
    auto ip = std::make_shared<std::string>();
    auto mac = std::make_shared<std::string>();

    CLI::App* ipmac = app.add_subcommand("ipmac", "Maintain the reference IP-MAC bindings");
    ipmac->require_subcommand(1);

    using Store = reports::IpMacOutcome (*)(const std::string&, std::string_view, std::string_view,
                                             db::WaitObserver*);
    const struct {
        const char* name;
        const char* help;
        Store store;
    } commands[] = {
        {"add", "Add a binding for an IP that has none", &reports::insertIpMac},
        {"set", "Change the MAC of an IP's existing binding", &reports::modifyIpMac},
    };
    for (const auto& c : commands) {
        CLI::App* command = ipmac->add_subcommand(c.name, c.help);
        command->add_option("DB", *path, "Path of the database file")->required();
        command->add_option("IP", *ip, "Dotted IPv4 address, e.g. 192.168.0.7")->required();
        command->add_option("MAC", *mac, "MAC address, six hex bytes separated by - or :")->required();
        command->callback([&status, path, ip, mac, store = c.store] {
            NoticeOnWait wait;
            status = report(*path, store(*path, *ip, *mac, &wait));
        });
    }
}

} // namespace trawler::cli
