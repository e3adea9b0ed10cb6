#pragma once
// A throwaway PostgreSQL server for one test program: initdb and pg_ctl in a
// scratch folder, reachable only through a Unix socket there, stopped and
// removed at the end. As root the server runs as "nobody" (it refuses root).
#include "TempDir.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace trawler::test {

class PgServer {
public:
    // nullptr, with `why` set, when no server can be started here.
    static std::unique_ptr<PgServer> start(std::string& why)
    {
        const std::string bin = findBinaries();
        if (bin.empty()) {
            why = "no PostgreSQL server binaries (initdb, pg_ctl) found; install the postgresql package";
            return nullptr;
        }
        auto server = std::unique_ptr<PgServer>(new PgServer(bin));
        if (!server->run(server->m_bin + "/initdb -D '" + server->data() + "' -U trawler --auth=trust -E SQL_ASCII "
                         "--locale=C -N >'" + server->log() + "' 2>&1")) {
            why = "initdb failed; see its output above";
            return nullptr;
        }
        server->m_started = server->restart();
        if (!server->m_started) {
            why = "the server did not start; see its log above";
            return nullptr;
        }
        return server;
    }

    ~PgServer()
    {
        if (m_started)
            run(m_bin + "/pg_ctl -D '" + data() + "' -m immediate -w stop >/dev/null 2>&1");
    }

    // Stops the server at once, as a crash or a pulled plug would.
    void kill() { m_started = !run(m_bin + "/pg_ctl -D '" + data() + "' -m immediate -w stop >/dev/null"); }
    bool restart()
    {
        m_started = run(m_bin + "/pg_ctl -D '" + data() + "' -w -l '" + log() + "' -o \"-k '" + m_dir.path().string()
                        + "' -c listen_addresses='' -p 5432 -c fsync=off\" start >/dev/null");
        return m_started;
    }

    // The URI of database `name` on this server.
    std::string uri(const std::string& name) const
    {
        return "postgresql://trawler@/" + name + "?host=" + m_dir.path().string() + "&port=5432";
    }

private:
    explicit PgServer(std::string bin) : m_bin(std::move(bin))
    {
        if (::geteuid() == 0)
            std::system(("chown nobody '" + m_dir.path().string() + "'").c_str());
    }

    static std::string findBinaries()
    {
        std::string best;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", ec))
            if (std::filesystem::exists(entry.path() / "bin" / "pg_ctl") && entry.path().string() > best)
                best = entry.path().string();
        return best.empty() ? best : best + "/bin";
    }

    bool run(const std::string& command) const
    {
        const std::string as = ::geteuid() == 0 ? "runuser -u nobody -- sh -c \"" + escape(command) + "\""
                                                : command;
        const int rc = std::system(as.c_str());
        if (rc != 0)
            std::system(("cat '" + log() + "' >&2").c_str());
        return rc == 0;
    }

    static std::string escape(const std::string& s)
    {
        std::string out;
        for (char c : s) {
            if (c == '"' || c == '\\' || c == '$' || c == '`')
                out += '\\';
            out += c;
        }
        return out;
    }

    std::string data() const { return (m_dir.path() / "data").string(); }
    std::string log() const { return (m_dir.path() / "server.log").string(); }

    TempDir m_dir;
    std::string m_bin;
    bool m_started = false;
};

} // namespace trawler::test
