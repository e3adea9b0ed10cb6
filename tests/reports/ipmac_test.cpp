// Reference IP-MAC bindings: input checks, insert and modify, the map report's
// warnings, and the machine's own interface.
#include "ReportFixture.h"

#include "reports/IpMacInput.h"
#include "reports/IpMacMap.h"
#include "reports/IpMacStore.h"
#include "reports/LocalNetwork.h"

#include <atomic>
#include <future>
#include <memory>

using namespace trawler::reports;
using Kind = IpMacOutcome::Kind;

namespace {

class IpMacTest : public trawler::test::ReportFixture {
protected:
    int bindings()
    {
        trawler::db::Statement st = db.prepare("select count(*) from ipmac");
        st.step();
        return static_cast<int>(st.value(0).toInt());
    }
};

} // namespace

TEST(IpMacInputTest, AcceptsAndNormalises)
{
    auto ok = checkIpMacInput(" 192.168.0.7\t", "00:0C:29:3A:5F:01 ");
    ASSERT_TRUE(ok.ok()) << ok.message;
    EXPECT_EQ(ok.value->ip, "192.168.0.7");
    EXPECT_EQ(ok.value->mac, "00-0c-29-3a-5f-01");
    EXPECT_EQ(normaliseMac("AA-bb-CC-dd-EE-ff"), "aa-bb-cc-dd-ee-ff");
    EXPECT_EQ(normaliseIpv4("0.0.0.0"), "0.0.0.0");
    EXPECT_EQ(normaliseIpv4("255.255.255.255"), "255.255.255.255");
}

TEST(IpMacInputTest, RefusesWhatIsNotAnAddress)
{
    for (const char* ip : {"", "10.0.0", "10.0.0.256", "010.0.0.1", "1.2.3.4.5", "10..0.1", "10.0.0.1'",
                           "1'; drop", "１０.0.0.1", "10.0.0.-1", "a.b.c.d"}) {
        const auto c = checkIpMacInput(ip, "00-0c-29-3a-5f-01");
        EXPECT_FALSE(c.ok()) << ip;
        EXPECT_NE(c.message.find("is not a dotted IPv4 address"), std::string::npos) << ip;
        EXPECT_EQ(c.wrong, IpMacCheck::Field::Ip) << ip;
    }
    for (const char* mac : {"", "00-0c-29-3a-5f", "00-0c:29-3a-5f-01", "00-0c-29-3a-5f-0g", "000c.293a.5f01",
                            "00-0c-29-3a-5f-0'", "é0-0c-29-3a-5f"}) {
        const auto c = checkIpMacInput("10.0.0.1", mac);
        EXPECT_FALSE(c.ok()) << mac;
        EXPECT_NE(c.message.find("is not six hexadecimal bytes"), std::string::npos) << mac;
        EXPECT_EQ(c.wrong, IpMacCheck::Field::Mac) << mac;
    }
    // Overlong texts are refused as such, not cut to fit their columns.
    EXPECT_EQ(checkIpMacInput("10.0.0.1' OR '1'='1", "00-0c-29-3a-5f-01").message,
              "The ip address is too long: an IPv4 address has at most 15 characters.");
    EXPECT_EQ(checkIpMacInput("10.0.0.1", "00-0c-29-3a-5f-01-02").message,
              "The mac address is too long: a MAC address has at most 17 characters.");
    // Both wrong: the IP is named first, so the dialog points at its field.
    EXPECT_EQ(checkIpMacInput("10.0.0.1' OR '1'='1", "x").wrong, IpMacCheck::Field::Ip);
    EXPECT_EQ(checkIpMacInput("10.0.0.1", "00-0c-29-3a-5f-01").wrong, IpMacCheck::Field::None);
}

TEST_F(IpMacTest, InsertAndModifyKeepOneBindingPerIp)
{
    auto r = insertIpMac(path, "10.0.0.1", "00:11:22:33:44:AA");
    EXPECT_EQ(r.kind, Kind::Inserted);
    EXPECT_EQ(r.message, "Insert record succeed.");
    EXPECT_EQ(storedMac("10.0.0.1"), "00-11-22-33-44-aa");

    // Bound already, to whatever MAC: nothing written.
    r = insertIpMac(path, "10.0.0.1", "00-11-22-33-44-bb");
    EXPECT_EQ(r.kind, Kind::AlreadyExists);
    EXPECT_EQ(r.message, "The ip and its mac have existed in the database.");
    EXPECT_EQ(storedMac("10.0.0.1"), "00-11-22-33-44-aa");

    r = modifyIpMac(path, "10.0.0.2", "00-11-22-33-44-bb");
    EXPECT_EQ(r.kind, Kind::NotIncluded);
    EXPECT_EQ(r.message, "This ip has not been included in the database.Please insert it using the insert menu.");
    EXPECT_EQ(bindings(), 1);

    r = modifyIpMac(path, "10.0.0.1", "00-11-22-33-44-bb");
    EXPECT_EQ(r.kind, Kind::Updated);
    EXPECT_EQ(r.message, "Record Update succeed.");
    EXPECT_EQ(storedMac("10.0.0.1"), "00-11-22-33-44-bb");
}

// A change made while a parse holds the database waits for it instead of
// failing after a fixed time, tells the caller once, and can be given up.
TEST_F(IpMacTest, AChangeWaitsForAnotherWriterAndCanGiveUp)
{
    struct Wait : trawler::db::WaitObserver {
        std::promise<void> waiting;
        std::atomic<bool> giveUp{false};
        int told = 0;
        void waitingForWriter() override
        {
            if (told++ == 0)
                waiting.set_value();
        }
        bool giveUpWaiting() override { return giveUp; }
    };

    trawler::db::Database other(path);
    auto lock = std::make_unique<trawler::db::Transaction>(other);
    other.execute("insert into ipmac values ('10.0.0.8', '00-11-22-33-44-08')");

    Wait wait;
    auto change = std::async(std::launch::async, [&] { return insertIpMac(path, "10.0.0.9", "00-11-22-33-44-55", &wait); });
    wait.waiting.get_future().wait();
    lock.reset();   // the other writer ends without committing
    EXPECT_EQ(change.get().kind, Kind::Inserted);
    EXPECT_EQ(wait.told, 1);

    lock = std::make_unique<trawler::db::Transaction>(other);
    other.execute("insert into ipmac values ('10.0.0.8', '00-11-22-33-44-08')");
    Wait givingUp;
    givingUp.giveUp = true;
    EXPECT_EQ(insertIpMac(path, "10.0.0.10", "00-11-22-33-44-10", &givingUp).kind, Kind::DatabaseError);
    lock.reset();
    EXPECT_EQ(bindings(), 1);
}

TEST_F(IpMacTest, HostileInputNeverReachesTheDatabase)
{
    for (const auto& [ip, mac] : std::vector<std::pair<std::string, std::string>>{
             {"10.0.0.1'", "00-11-22-33-44-55"},
             {"10.0.0.1", "00-11-22-33-44-55'); delete from ipmac; --"},
             {"x' or '1'='1", "00-11-22-33-44-55"},
             {"网关", "网卡"},
             {std::string(5000, '9'), "00-11-22-33-44-55"}}) {
        EXPECT_EQ(insertIpMac(path, ip, mac).kind, Kind::InvalidInput);
        EXPECT_EQ(modifyIpMac(path, ip, mac).kind, Kind::InvalidInput);
    }
    EXPECT_EQ(bindings(), 0);
    EXPECT_EQ(insertIpMac("", "10.0.0.1", "00-11-22-33-44-55").message, "You haven't set the Database to be analysed.");

    const std::string bare = dir.file("bare.mdb");
    trawler::db::createDatabaseFile(bare);
    const auto r = insertIpMac(bare, "10.0.0.1", "00-11-22-33-44-55");
    EXPECT_EQ(r.kind, Kind::DatabaseError);
    EXPECT_EQ(r.message, "no such table: ipmac");
}

TEST_F(IpMacTest, MapWarnsOncePerObservedMacThatDiffers)
{
    arp("10.0.0.1", "00-11-22-33-44-55");
    arp("10.0.0.1", "00-11-22-33-44-55");
    arp("10.0.0.1", "00-11-22-33-44-66");
    arp("10.0.0.2", "00-11-22-33-44-77");   // no binding: no warning
    arp("10.0.0.3", "00-11-22-33-44-88 ");  // padded on the observed side
    ASSERT_TRUE(insertIpMac(path, "10.0.0.1", "00-11-22-33-44-55").succeeded());
    binding("10.0.0.3", "00-11-22-33-44-88 ");   // padded on the reference side

    IpMacMap map = readIpMacMap(path);
    EXPECT_EQ(map.titles, (std::vector<std::string>{"IP地址", "MAC地址"}));
    ASSERT_EQ(map.rows.size(), 4u);
    EXPECT_EQ(map.warnings,
              (std::vector<std::string>{"The ip address 10.0.0.1's mac has changed from 00-11-22-33-44-55 to 00-11-22-33-44-66"}));
    std::vector<bool> changed;
    for (const auto& r : map.rows)
        changed.push_back(r.changed());
    EXPECT_EQ(changed, (std::vector<bool>{false, true, false, false}));
    EXPECT_EQ(map.rows[3].cells[1], "00-11-22-33-44-88 ");   // listed as stored

    // After a modify every other observed MAC is reported against the new one.
    ASSERT_TRUE(modifyIpMac(path, "10.0.0.1", "00:11:22:33:44:66").succeeded());
    ASSERT_TRUE(modifyIpMac(path, "10.0.0.3", "00-11-22-33-44-99").succeeded());
    map = readIpMacMap(path);
    EXPECT_EQ(map.warnings,
              (std::vector<std::string>{
                  "The ip address 10.0.0.1's mac has changed from 00-11-22-33-44-66 to 00-11-22-33-44-55",
                  "The ip address 10.0.0.3's mac has changed from 00-11-22-33-44-99 to 00-11-22-33-44-88"}));
}

TEST_F(IpMacTest, CapitalReferenceRaisesNoFalseWarning)
{
    arp("10.0.0.1", "00-0c-29-3a-5f-01");
    ASSERT_TRUE(insertIpMac(path, "10.0.0.1", "00-0C-29-3A-5F-01").succeeded());
    binding("10.0.0.2", "00:0C:29:3A:5F:02");   // written by other means
    arp("10.0.0.2", "00-0c-29-3a-5f-02");
    EXPECT_TRUE(readIpMacMap(path).warnings.empty());

    db.execute("delete from arp");
    try {
        IpMacMapCursor::open(path);
        ADD_FAILURE();
    } catch (const ReportError& e) {
        EXPECT_EQ(e.kind(), ReportError::Kind::NoRecords);
    }
}

TEST(LocalNetworkTest, OwnInterfaceOrFallback)
{
    EXPECT_EQ(networkPrefix("10.20.30.40"), "10.20.30");
    EXPECT_EQ(networkPrefix("not an address"), "192.168.0");
    const LocalInterface own = localInterface();
    EXPECT_TRUE(normaliseIpv4(own.ip)) << own.ip;
    EXPECT_EQ(normaliseMac(own.mac), own.mac);
    EXPECT_NE(own.ip.rfind("127.", 0), 0u);
}
