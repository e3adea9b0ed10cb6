#pragma once
#include <stdexcept>
#include <string>

namespace trawler::db {

// The one failure type of the database layer. what() is the engine's own
// description of the failure: it is what the operator is shown.
class DbError : public std::runtime_error {
public:
    explicit DbError(const std::string& description, int code = 0)
        : std::runtime_error(description), m_code(code) {}
    std::string description() const { return what(); }
    // The engine's result code, 0 where the failure is the layer's own.
    int code() const { return m_code; }

private:
    int m_code;
};

} // namespace trawler::db
