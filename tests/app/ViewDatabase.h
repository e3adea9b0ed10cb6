#pragma once
// A scratch capture database for the view's tests, filled row by row through
// the database layer, and a view in a window of the program's size.
#include "TempDir.h"

#include "db/Database.h"
#include "db/DatabaseFile.h"

#include <QString>

#include <optional>
#include <stdexcept>
#include <string>

namespace trawler::test {

class ViewDatabase {
public:
    ViewDatabase()
    {
        path = dir.file("capture 分析.mdb");
        db::createDatabaseFile(path);
        if (!db::initTables(path).completed())
            throw std::runtime_error("tables not created");
        db.open(path);
    }

    QString qpath() const { return QString::fromStdString(path); }

    void icmp(const std::string& tm, const std::string& src, const std::string& dst, const std::string& type,
              int len = 60)
    {
        db.prepare("insert into icmp (Tm, Sourceip, Destip, Type, Code, Totallen) values (?, ?, ?, ?, 'No Code', ?)")
            .bindText(1, tm).bindText(2, src).bindText(3, dst).bindText(4, type).bindInt(5, len).execute();
    }

    void ip(const std::string& src, const std::string& dst, const std::string& proto, int sport, int dport, int len)
    {
        db::Statement st = db.prepare("insert into ip values ('2004-05-17 09:00:00', ?, ?, ?, ?, ?, ?)");
        st.bindText(1, src).bindText(2, dst);
        if (proto.empty())
            st.bindNull(3).bindNull(4).bindNull(5);
        else
            st.bindText(3, proto).bindInt(4, sport).bindInt(5, dport);
        st.bindInt(6, len).execute();
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
        return int(st.value(0).toInt());
    }

    TempDir dir;
    std::string path;
    db::Database db;
};

} // namespace trawler::test
