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

    // A field a result does not have (by name, or an ordinal out of range
    // when `name` is empty): the one text every reader of rows gives for it.
    static DbError missingField(const std::string& name = std::string())
    {
        return DbError("Item cannot be found in the collection corresponding to the requested name or ordinal"
                       + (name.empty() ? std::string(".") : ": " + name + "."));
    }

private:
    int m_code;
    Cause m_cause;
};

} // namespace trawler::db
