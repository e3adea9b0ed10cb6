#pragma once
#include <stdexcept>
#include <string>

namespace trawler::db {

// The one failure type of the database layer. what() is the engine's own
// description of the failure: it is what the operator is shown.
class DbError : public std::runtime_error {
public:
    enum class Cause { Other, Interrupted };

    explicit DbError(const std::string& description, int code = 0, Cause cause = Cause::Other)
        : std::runtime_error(description), m_code(code), m_cause(cause) {}
    std::string description() const { return what(); }
    // The engine's result code, 0 where the failure is the layer's own.
    int code() const { return m_code; }
    // The statement was ended by Database::interrupt(), not by a fault.
    bool interrupted() const { return m_cause == Cause::Interrupted; }

private:
    int m_code;
    Cause m_cause;
};

} // namespace trawler::db
