#pragma once
// Sensors on a server database. Each sensor's rows live in tables of its own
// schema ("sensor_NAME") that inherit the seven-table layout's tables in the
// public schema: the public tables keep exactly the layout, a query of them
// covers every sensor, and a query in one sensor's schema covers that sensor
// alone. The IP-MAC reference list is not per sensor and stays in public.
// The sensor's arp and history tables number their rows as they arrive (the
// column kArrivalColumn), which public's tables do not have. Beside them, once
// public.alert exists, each sensor keeps its alerts in a table of its own too.
// Internal to db/.
#include <optional>
#include <string>
#include <string_view>

namespace trawler::db {

class PgSession;

struct SensorUri {
    std::string uri;                   // for libpq, without our own parameter
    std::optional<std::string> sensor; // the "sensor" query parameter
};

// A sensor's schema is named this followed by the sensor's name.
inline constexpr std::string_view kSensorSchemaPrefix = "sensor_";

// The sensor whose schema is `schema`; empty for any other schema.
inline std::string sensorOfSchema(std::string_view schema)
{
    return schema.substr(0, kSensorSchemaPrefix.size()) == kSensorSchemaPrefix
        ? std::string(schema.substr(kSensorSchemaPrefix.size()))
        : std::string();
}

// Takes the "sensor=NAME" query parameter out of a connection URI.
SensorUri splitSensorUri(const std::string& uri);

// The sensor a writer stores under when it names none: this host's name.
std::string defaultSensorName();

// The sensor's schema as a quoted name.
std::string sensorSchema(PgSession& session, const std::string& sensor);

// Readers of one sensor see its tables first. Throws DbError when that
// sensor has stored nothing here (else the reader would see every sensor).
void selectSensorForReading(PgSession& session, const std::string& sensor);

// Inside a writer's transaction: gives the sensor its tables when the
// database has been initialised and they are missing, then makes them the
// ones that unqualified table names mean until the transaction ends.
void selectSensorForWriting(PgSession& session, const std::string& sensor);

} // namespace trawler::db
