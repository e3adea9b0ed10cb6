// ipmac add|set: the reference IP-MAC bindings, with the dialog's checks.
#include "Commands.h"
#include "Failure.h"

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

} // namespace

void registerIpMacCommands(CLI::App& app, int& status)
{
    auto path = std::make_shared<std::string>();
    auto ip = std::make_shared<std::string>();
    auto mac = std::make_shared<std::string>();

    CLI::App* ipmac = app.add_subcommand("ipmac", "Maintain the reference IP-MAC bindings");
    ipmac->require_subcommand(1);

    CLI::App* add = ipmac->add_subcommand("add", "Add a binding for an IP that has none");
    CLI::App* set = ipmac->add_subcommand("set", "Change the MAC of an IP's existing binding");
    for (CLI::App* command : {add, set}) {
        command->add_option("DB", *path, "Path of the database file")->required();
        command->add_option("IP", *ip, "Dotted IPv4 address, e.g. 192.168.0.7")->required();
        command->add_option("MAC", *mac, "MAC address, six hex bytes separated by - or :")->required();
    }
    add->callback([&status, path, ip, mac] { status = report(*path, reports::insertIpMac(*path, *ip, *mac)); });
    set->callback([&status, path, ip, mac] { status = report(*path, reports::modifyIpMac(*path, *ip, *mac)); });
}

} // namespace trawler::cli
