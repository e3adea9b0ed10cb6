#pragma once
// A scratch capture database with the seven tables, filled row by row
// through the database layer. Shared by the report, CLI and view tests.
#include "TempDir.h"

#include "db/Database.h"
#include "db/DatabaseFile.h"

#include <optional>
#include <stdexcept>
#include <string>

namespace trawler::test {

class CaptureDatabase {
public:
    explicit CaptureDatabase(const std::string& fileName = "capture.mdb")
    {
        path = dir.file(fileName);
        db::createDatabaseFile(path);
        if (!db::initTables(path).completed())
            throw std::runtime_error("capture tables not created in " + path);
        db.open(path);
    }

    void icmp(const std::string& tm, const std::string& src, const std::string& dst, const std::string& type,
              int len = 60)
    {
        db.prepare("insert into icmp (Tm, Sourceip, Destip, Type, Code, Totallen) values (?, ?, ?, ?, 'No Code', ?)")
            .bindText(1, tm).bindText(2, src).bindText(3, dst).bindText(4, type).bindInt(5, len).execute();
    }

    // proto empty: an ICMP (or other) datagram without ports.
    void ip(const std::string& src, const std::string& dst, const std::string& proto, int sport, int dport, int len,
            const std::string& tm = "2004-05-17 09:00:00")
    {
        db::Statement st = db.prepare("insert into ip values (?, ?, ?, ?, ?, ?, ?)");
        st.bindText(1, tm).bindText(2, src).bindText(3, dst);
        if (proto.empty())
            st.bindNull(4).bindNull(5).bindNull(6);
        else
            st.bindText(4, proto).bindInt(5, sport).bindInt(6, dport);
        st.bindInt(7, len).execute();
    }

    void syn(const std::string& tm, const std::string& src, const std::string& dst, int sport, int dport)
    {
        db.prepare("insert into syn values (?, ?, ?, ?, ?)")
            .bindText(1, tm).bindText(2, src).bindText(3, dst).bindInt(4, sport).bindInt(5, dport).execute();
    }

    void arp(const std::string& src, const std::string& mac)
    {
        db.prepare("insert into arp (Tm, Sourceip, Sourcemac, Type) values ('2004-05-17 09:00:00', ?, ?, 'Arp Reply')")
            .bindText(1, src).bindText(2, mac).execute();
    }

    void binding(const std::string& ip, const std::string& mac)
    {
        db.prepare("insert into ipmac values (?, ?)").bindText(1, ip).bindText(2, mac).execute();
    }

    std::optional<std::string> storedMac(const std::string& ip)
    {
        db::Statement st = db.prepare("select Mac from ipmac where Ip = ?");
        st.bindText(1, ip);
        return st.step() ? st.value(0).toText() : std::nullopt;
    }

    int count(const std::string& table)
    {
        db::Statement st = db.prepare("select count(*) from " + table);
        st.step();
        return static_cast<int>(st.value(0).toInt());
    }

    TempDir dir;
    std::string path;
    db::Database db;
};

} // namespace trawler::test
