#pragma once
// A scratch capture database filled row by row through the database layer.
#include "TempDir.h"

#include "db/Database.h"
#include "db/DatabaseFile.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace trawler::test {

class ReportFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = dir.file("capture.mdb");
        db::createDatabaseFile(path);
        ASSERT_TRUE(db::initTables(path).completed());
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

    TempDir dir;
    std::string path;
    db::Database db;
};

} // namespace trawler::test
