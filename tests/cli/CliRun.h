#pragma once
// Runs the built trawler-cli through the shell as an operator would, and
// collects standard output, standard error and the exit status.
#include "TempDir.h"

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace trawler::test {

struct CliRun {
    std::string out;
    std::string err;
    int status = -1;
};

inline std::string shellQuote(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline std::string cliCommand(const std::vector<std::string>& args)
{
    std::string command = shellQuote(std::string(TRAWLER_BINARY_DIR) + "/bin/trawler-cli");
    for (const auto& a : args)
        command += " " + shellQuote(a);
    return command;
}

inline std::string readWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// `command` is a shell command line; its standard error goes to a file in
// `dir`. prefix: environment settings or redirections put in front.
inline CliRun runShell(const TempDir& dir, const std::string& command)
{
    const std::string errFile = dir.file("stderr.txt");
    const std::string line = "{ " + command + " ; } 2>" + shellQuote(errFile);
    CliRun run;
    FILE* pipe = ::popen(line.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.out.append(buffer, n);
    const int raw = ::pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.err = readWholeFile(errFile);
    return run;
}

inline CliRun runCli(const TempDir& dir, const std::vector<std::string>& args, const std::string& env = "")
{
    return runShell(dir, (env.empty() ? "" : env + " ") + cliCommand(args));
}

} // namespace trawler::test
