#pragma once
#include <stdexcept>
#include <string>

namespace trawler::cli {

// Every failure of a command is one line on standard error,
// "trawler-cli: <what>: <why>", where <what> names the thing that failed (a
// database file, an output file, standard output). Both parts are escaped
// for display: a stored text in an engine message cannot steer the terminal
// or break the line.
void reportFailure(const std::string& what, const std::string& why);

// The system's text for an errno value ("No space left on device").
std::string systemErrorText(int error);

// Output that did not reach its destination (a full disk, a closed pipe).
class WriteFailure : public std::runtime_error {
public:
    WriteFailure(std::string where, const std::string& why) : std::runtime_error(why), m_where(std::move(where)) {}
    const std::string& where() const { return m_where; }

private:
    std::string m_where;
};

} // namespace trawler::cli
