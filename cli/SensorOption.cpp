#include "SensorOption.h"

#include "db/Database.h"

namespace trawler::cli {

std::shared_ptr<std::string> addSensorOption(CLI::App* command)
{
    auto sensor = std::make_shared<std::string>();
    command->add_option("--sensor", *sensor,
                        "Server database: the sensor whose runs are written or read (default: write as this host, "
                        "read every sensor)");
    return sensor;
}

std::string sensorDatabase(const std::string& database, const std::string& sensor)
{
    return sensor.empty() ? database : db::withSensor(database, sensor);
}

} // namespace trawler::cli
