#pragma once
#include <CLI/CLI.hpp>

#include <memory>
#include <string>

namespace trawler::cli {

// --sensor NAME on a command that takes a database: on a server database the
// runs written are that sensor's and the rows read are narrowed to it. A
// database file serves one sensor, so the option changes nothing there.
// Without the option writers store their runs under the host name and
// readers see every sensor.
std::shared_ptr<std::string> addSensorOption(CLI::App* command);

// The database name to open for the chosen sensor (empty: as given).
std::string sensorDatabase(const std::string& database, const std::string& sensor);

} // namespace trawler::cli
