// Share maths, chart filling from a report's result, and the pie's geometry.
#include "ReportFixture.h"
#include "cli/GermanLocale.h"

#include "reports/Catalogue.h"
#include "reports/PieLayout.h"
#include "reports/ReportCursor.h"
#include "reports/ShareMath.h"

#include <clocale>
#include <cmath>
#include <cstdlib>

using namespace trawler::reports;

namespace {

std::vector<ShareRow> amounts(std::initializer_list<std::optional<double>> values)
{
    std::vector<ShareRow> rows;
    for (const auto& v : values)
        rows.push_back(ShareRow{"r" + std::to_string(rows.size()), v});
    return rows;
}

std::vector<std::string> legends(const ShareChart& chart)
{
    std::vector<std::string> out;
    for (const auto& w : layoutPie(chart).wedges)
        out.push_back(w.legend);
    return out;
}

class ShareChartTest : public trawler::test::ReportFixture {
protected:
    ShareChart chartOf(const ReportDefinition& d) { return ReportCursor::open(path, d).shareChart(); }
};

} // namespace

TEST(ShareMathTest, ThresholdCutsAtTheFirstSmallShare)
{
    // 0.5, 0.3, 0.195, 0.004, 0.001: the last two go although listed.
    auto rows = amounts({500, 300, 195, 4, 1});
    auto slices = computeSlices(rows, shareTotal(rows), kTrafficShareThreshold);
    ASSERT_EQ(slices.size(), 3u);
    EXPECT_DOUBLE_EQ(slices[2].share, 0.195);

    // A share equal to the threshold stays; anything after a cut goes, however large.
    rows = amounts({995, 5, 0});
    EXPECT_EQ(computeSlices(rows, 1000, kTrafficShareThreshold).size(), 2u);
    rows = amounts({900, 4, 96});
    EXPECT_EQ(computeSlices(rows, 1000, kTrafficShareThreshold).size(), 1u);
    // NULL amounts add nothing and have share 0.
    rows = amounts({std::nullopt, 10});
    EXPECT_EQ(shareTotal(rows), 10);
    EXPECT_TRUE(computeSlices(rows, 10, kIcmpTypeShareThreshold).empty());
    // A zero total gives no slice (0 / 0 is not a share).
    rows = amounts({0, 0});
    EXPECT_TRUE(computeSlices(rows, shareTotal(rows), kTrafficShareThreshold).empty());
}

TEST(ShareMathTest, AtMost255SlicesOfTheWholeTotal)
{
    std::vector<ShareRow> rows = amounts({});
    for (int i = 0; i < 300; ++i)
        rows.push_back(ShareRow{"x", 1.0});
    const double total = shareTotal(rows);
    auto slices = computeSlices(rows, total, 0.0);
    ASSERT_EQ(slices.size(), 255u);
    EXPECT_DOUBLE_EQ(slices[254].share, 1.0 / 300);
    // 300 equal rows are each below 0.005: no slice at all.
    EXPECT_TRUE(computeSlices(rows, total, kTrafficShareThreshold).empty());
}

TEST(ShareMathTest, LabelsAreTrimmedAndPaired)
{
    EXPECT_EQ(sliceLabel({std::string("Echo Request") + std::string(38, ' ')}), "Echo Request");
    EXPECT_EQ(sliceLabel({std::string("10.0.0.1  "), std::string("10.0.0.2 ")}), "10.0.0.1->10.0.0.2");
    EXPECT_EQ(sliceLabel({std::string(" a b\t "), std::nullopt}), " a b\t->");
}

TEST_F(ShareChartTest, IcmpTypesAreSortedBeforeTheCut)
{
    // Returned unsorted, the single "Address Mask Request" would end the chart
    // before either large group.
    {
        trawler::db::Transaction t(db);
        icmp("2004-05-17 09:00:00", "10.0.0.1", "10.0.0.2", "Address Mask Request");
        for (int i = 0; i < 5000; ++i) {
            icmp("2004-05-17 09:00:00", "10.0.0.1", "10.0.0.2", "Echo Reply");
            icmp("2004-05-17 09:00:00", "10.0.0.1", "10.0.0.2", "Echo Request");
        }
        t.commit();
    }
    const ShareChart chart = chartOf(icmpTypeShareReport());
    EXPECT_EQ(chart.total, 10001);
    ASSERT_EQ(chart.slices.size(), 2u);
    EXPECT_NEAR(chart.slices[0].share, 5000.0 / 10001, 1e-12);
    EXPECT_EQ(legends(chart), (std::vector<std::string>{"Echo Reply:50.0%", "Echo Request:50.0%"}));
    EXPECT_EQ(chart.centre, (ChartPoint{250, 100}));

    // 2000 echo requests and one timestamp: one slice of 0.9995.
    db.execute("delete from icmp");
    for (int i = 0; i < 2000; ++i)
        icmp("2004-05-17 09:00:00", "10.0.0.1", "10.0.0.2", "Echo Request");
    icmp("2004-05-17 09:00:00", "10.0.0.1", "10.0.0.2", "TimeStamp");
    const ShareChart one = chartOf(icmpTypeShareReport());
    ASSERT_EQ(one.slices.size(), 1u);
    EXPECT_NEAR(one.slices[0].share, 2000.0 / 2001, 1e-12);
}

TEST_F(ShareChartTest, TrafficChartsShareTheTotalOfAllRows)
{
    ip("10.0.0.1", "10.0.0.2", "TCP", 1025, 80, 600);
    ip("10.0.0.1", "10.0.0.2", "TCP", 1026, 443, 300);
    ip("10.0.0.3", "10.0.0.4", "TCP", 1027, 22, 100);
    ip("10.0.0.3", "10.0.0.4", "UDP", 53, 53, 1000);   // not TCP traffic
    const ShareChart tcp = chartOf(tcpPairTrafficReport());
    EXPECT_EQ(tcp.total, 1000);
    EXPECT_EQ(legends(tcp),
              (std::vector<std::string>{"10.0.0.1->10.0.0.2:60.0%", "10.0.0.1->10.0.0.2:30.0%", "10.0.0.3->10.0.0.4:10.0%"}));

    // 300 destinations: every row listed, no slice reaches 0.005.
    {
        trawler::db::Transaction t(db);
        db.execute("delete from ip");
        for (int i = 0; i < 300; ++i)
            ip("10.0.0.1", "10.0.1." + std::to_string(i), "UDP", 1, 1, 10);
        t.commit();
    }
    ReportCursor c = ReportCursor::open(path, destIpTrafficReport("10.0.0"));
    const ShareChart dest = c.shareChart();
    EXPECT_EQ(dest.rowCount, 300u);
    EXPECT_TRUE(dest.slices.empty());
    EXPECT_EQ(c.fetchAll().size(), 300u);
}

TEST_F(ShareChartTest, ChartAndListDescribeOneSnapshot)
{
    for (int i = 0; i < 20; ++i)
        ip("10.0.0.1", "10.0.1." + std::to_string(i), "TCP", 1, 1, 100 + i);
    ReportCursor early = ReportCursor::open(path, destIpTrafficReport("10.0.0"));
    ReportCursor late = ReportCursor::open(path, destIpTrafficReport("10.0.0"));
    std::vector<Row> firstRows;
    early.fetch(5, firstRows);

    // A parse commits more traffic while both lists are open.
    ip("10.0.0.1", "10.0.9.9", "TCP", 1, 1, 100000);

    // One chart from a second pass, one from the rows as they went by.
    const ShareChart fromPass = early.shareChart();
    const auto rows = late.fetchAll();
    const ShareChart fromRows = late.shareChart();
    double listed = 0;
    for (const auto& r : rows)
        listed += std::stod(*r[3]);
    for (const ShareChart* c : {&fromPass, &fromRows}) {
        EXPECT_EQ(c->total, listed);
        EXPECT_EQ(c->rowCount, 20u);
        EXPECT_EQ(c->slices.size(), 20u);
        EXPECT_EQ(c->slices[0].label, "10.0.1.19");
    }
    EXPECT_EQ(ReportCursor::open(path, destIpTrafficReport("10.0.0")).shareChart().total, listed + 100000);
}

TEST(PieLayoutTest, SharesThatAddUpToOneCloseThePie)
{
    const std::vector<Slice> slices{{"10.0.0.2", 0.6}, {"10.0.0.3", 0.3}, {"10.0.0.4", 0.1}};
    const PieLayout pie = layoutPie(slices, ChartRect{170, 250, 270, 350}, ChartPoint{220, 300});
    EXPECT_EQ(pie.radius, 50.0f);
    ASSERT_EQ(pie.wedges.size(), 3u);
    const std::vector<ChartPoint> starts{{270, 300}, {179, 329}, {260, 329}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(pie.wedges[i].startPoint, starts[i]) << i;
        EXPECT_EQ(pie.wedges[i].legendTopLeft, (ChartPoint{290, 250 + 20 * static_cast<int>(i)}));
    }
    EXPECT_EQ(pie.wedges[2].endPoint, (ChartPoint{270, 300}));
    EXPECT_DOUBLE_EQ(pie.wedges[0].endAngle, 0.6 * 2 * M_PI);
    EXPECT_DOUBLE_EQ(pie.wedges[2].endAngle, 2 * M_PI);
    EXPECT_EQ(pie.wedges[2].legend, "10.0.0.4:10.0%");

    // One slice is the whole disc.
    const PieLayout whole = layoutPie({{"a", 1.0}}, ChartRect{20, 250, 120, 350}, ChartPoint{70, 300});
    EXPECT_EQ(whole.wedges[0].startPoint, whole.wedges[0].endPoint);
    EXPECT_DOUBLE_EQ(whole.wedges[0].endAngle - whole.wedges[0].startAngle, 2 * M_PI);
    EXPECT_EQ(whole.wedges[0].legend, "a:100.0%");
    EXPECT_TRUE(layoutPie({}, ChartRect{20, 250, 120, 350}, ChartPoint{70, 300}).wedges.empty());
}

TEST(PieLayoutTest, ColoursRepeatAndLegendsAreNotCut)
{
    std::vector<Slice> slices(11, Slice{"s", 1.0 / 11});
    const std::string longLabel(60, 'x');
    slices[10].label = longLabel;
    const PieLayout pie = layoutPie(slices, ChartRect{200, 50, 300, 150}, ChartPoint{250, 100});
    EXPECT_EQ(pie.wedges[9].colour, (Rgb{10, 200, 255}));
    EXPECT_EQ(pie.wedges[10].colour, (Rgb{255, 0, 0}));
    EXPECT_EQ(pie.wedges[10].legend, longLabel + ":9.1%");
    EXPECT_EQ(pie.wedges[10].legendTopLeft, (ChartPoint{320, 250}));
    EXPECT_EQ(legendLine("100%", 0.0004998), "100%:0.0%");
}

TEST_F(ShareChartTest, TotalsThatCannotBeSharedDrawNothingAndSayWhy)
{
    // Lengths that add up to zero, then below zero: no slice, no "inf%", a reason.
    ip("10.0.0.1", "10.0.0.2", "TCP", 1, 1, 500);
    ip("10.0.0.1", "10.0.0.3", "TCP", 1, 1, -500);
    ShareChart zero = chartOf(destIpTrafficReport("10.0.0"));
    EXPECT_TRUE(zero.slices.empty());
    EXPECT_NE(zero.emptyReason.find("(0)"), std::string::npos) << zero.emptyReason;
    ip("10.0.0.1", "10.0.0.4", "TCP", 1, 1, -1);
    EXPECT_NE(chartOf(destIpTrafficReport("10.0.0")).emptyReason.find("(-1)"), std::string::npos);

    for (double total : {0.0, -3.0, std::nan(""), HUGE_VAL})
        EXPECT_TRUE(computeSlices(amounts({1, 2}), total, 0.0).empty()) << total;
    // A chart with slices has no reason; one cut by its threshold has one.
    db.execute("delete from ip");
    ip("10.0.0.1", "10.0.0.2", "TCP", 1, 1, 500);
    EXPECT_EQ(chartOf(destIpTrafficReport("10.0.0")).emptyReason, "");
    EXPECT_NE(emptyChartReason(300, kTrafficShareThreshold).find("0.5%"), std::string::npos);
}

TEST(PieLayoutTest, SharesOutsideZeroToOneNeverTurnPastTheStart)
{
    // Mixed-sign amounts give shares above one and below zero.
    const PieLayout pie = layoutPie({{"a", 2.0}, {"b", -1.0}, {"c", std::nan("")}, {"d", 0.5}},
                                    ChartRect{20, 250, 120, 350}, ChartPoint{70, 300});
    ASSERT_EQ(pie.wedges.size(), 4u);
    EXPECT_DOUBLE_EQ(pie.wedges[0].endAngle, 2 * M_PI);
    for (const auto& w : pie.wedges) {
        EXPECT_LE(w.endAngle, 2 * M_PI);
        EXPECT_GE(w.endAngle, w.startAngle);
        EXPECT_EQ(w.endPoint, (ChartPoint{120, 300}));
    }
    EXPECT_EQ(pie.wedges[0].legend, "a:200.0%");
}

TEST(PieLayoutTest, LegendNumbersUseAPointInEveryLocale)
{
    trawler::test::GermanLocale german;
    if (!german.available())
        GTEST_SKIP() << "de_DE.UTF-8 could not be generated (localedef or the locale sources missing)";
    ::setenv("LOCPATH", german.locpath().c_str(), 1);
    ASSERT_NE(std::setlocale(LC_ALL, german.kName), nullptr);
    const std::string comma = std::localeconv()->decimal_point;
    const std::string line = legendLine("Echo Request", 0.599);
    std::setlocale(LC_ALL, "C");
    ::unsetenv("LOCPATH");
    EXPECT_EQ(comma, ",");
    EXPECT_EQ(line, "Echo Request:59.9%");
}
