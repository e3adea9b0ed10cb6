// The escaping every display of stored text shares, and the writers of the
// exported forms (csv, svg) checked by what a reader of them sees.
#include "cli/MarkupCheck.h"

#include "reports/CsvWriter.h"
#include "reports/JsonWriter.h"
#include "reports/PieLayout.h"
#include "reports/ShareChartSvg.h"
#include "reports/TextEscape.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace trawler::reports;
using trawler::test::Json;

TEST(TextEscapeTest, ControlsAndBrokenBytesBecomeVisible)
{
    struct Case {
        std::string stored;
        std::string shown;        // displayText
        std::string reversible;   // reversibleText
    };
    const std::vector<Case> cases{
        {"10.0.0.1", "10.0.0.1", "10.0.0.1"},
        {"中文 MAC", "中文 MAC", "中文 MAC"},
        {"\x1b[31mred", "\\x1b[31mred", "\\x1b[31mred"},
        {"a\tb\nc\rd", "a\\tb\\nc\\rd", "a\\tb\\nc\\rd"},
        {std::string("nul\0bel\x07" "del\x7f", 12), "nul\\x00bel\\x07del\\x7f", "nul\\x00bel\\x07del\\x7f"},
        {"C:\\dir", "C:\\dir", "C:\\\\dir"},
        // C1 CSI as UTF-8, a lone continuation byte, a cut sequence, an overlong slash, a surrogate.
        {"\xc2\x9b" "2J", "\\u009b2J", "\\u009b2J"},
        {"\x80x\xe4\xb8", "\\x80x\\xe4\\xb8", "\\x80x\\xe4\\xb8"},
        {"\xc0\xaf", "\\xc0\\xaf", "\\xc0\\xaf"},
        {"\xed\xa0\x80", "\\xed\\xa0\\x80", "\\xed\\xa0\\x80"},
        {"\xf0\x9f\x98\x80", "\xf0\x9f\x98\x80", "\xf0\x9f\x98\x80"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(displayText(c.stored), c.shown) << c.shown;
        EXPECT_EQ(reversibleText(c.stored), c.reversible) << c.shown;
        EXPECT_EQ(needsEscape(c.stored), c.stored != c.shown) << c.shown;
        EXPECT_TRUE(trawler::test::JsonReader::validUtf8(displayText(c.stored))) << c.shown;
    }
    EXPECT_EQ(markupText("<a href=\"x\">&'\x1b"), "&lt;a href=&quot;x&quot;&gt;&amp;&#39;\\x1b");
    EXPECT_EQ(hexText(std::string_view("\x00\x1b\xff", 3)), "001bff");
    EXPECT_EQ(displayWidth("中文ab"), 6u);
}

TEST(CsvWriterTest, QuotesWhatWouldBreakARecord)
{
    std::ostringstream out;
    CsvWriter csv(out, CsvWriter::Options{true, false});
    csv.writeRecord(std::vector<std::string>{"源IP", "a,b", "say \"hi\""});
    csv.writeRecord(std::vector<std::optional<std::string>>{std::nullopt, std::string("two\nlines"),
                                                            std::string("\x1b[2J")});
    EXPECT_EQ(out.str(), "\xEF\xBB\xBF" "源IP,\"a,b\",\"say \"\"hi\"\"\"\r\n,\"two\nlines\",\"\x1b[2J\"\r\n");

    std::ostringstream terminal;
    CsvWriter shown(terminal, CsvWriter::Options{false, true});
    shown.writeRecord(std::vector<std::string>{"\x1b[2J", "a\"b"});
    EXPECT_EQ(terminal.str(), "\\x1b[2J,\"a\"\"b\"\r\n");
}

TEST(JsonWriterTest, StringsReadBackExactly)
{
    const std::string stored = std::string("q\"b\\s/\x01\x1f\x7f\t中", 13);
    const auto parsed = trawler::test::JsonReader::parse(jsonString(stored));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->text, stored);
    const auto broken = trawler::test::JsonReader::parse(jsonString("a\xff\xc2\x9b"));
    ASSERT_TRUE(broken);
    EXPECT_EQ(broken->text, "a\\xff\xc2\x9b");

    // A join's repeated field names stay apart as keys.
    std::ostringstream out;
    JsonRowWriter rows(out, {"ip", "ip", "ip_2"});
    rows.addRow({std::string("a"), std::string("b"), std::nullopt});
    rows.finish();
    const auto table = trawler::test::JsonReader::parse(out.str());
    ASSERT_TRUE(table);
    const Json& row = table->items.at(0);
    ASSERT_EQ(row.members.size(), 3u);
    EXPECT_EQ(row.member("ip")->text, "a");
    EXPECT_EQ(row.member("ip_2")->text, "b");
    EXPECT_EQ(row.member("ip_2_2")->kind, Json::Kind::Null);
}

namespace {

ShareChart chartOf(std::vector<Slice> slices)
{
    ShareChart chart;
    chart.slices = std::move(slices);
    chart.centre = {220, 300};
    chart.square = {170, 250, 270, 350};
    return chart;
}

} // namespace

TEST(ShareChartSvgTest, WedgesSwatchesAndLegendOfEverySlice)
{
    std::vector<Slice> slices;
    for (int i = 0; i < 11; ++i)
        slices.push_back(Slice{i == 0 ? "<b>\x1b" : "s" + std::to_string(i), 1.0 / 11});
    const std::string svg = shareChartSvg(chartOf(slices));
    const auto page = trawler::test::readHtml(svg);
    ASSERT_TRUE(page.wellFormed) << page.fault;
    EXPECT_EQ(page.elements.at("path"), 11);
    EXPECT_EQ(page.elements.at("text"), 11);
    EXPECT_EQ(page.elements.at("rect"), 12);   // background and one swatch per line
    // Slice 10 takes the first colour again, in its wedge and its swatch.
    std::size_t red = 0;
    for (std::size_t at = svg.find("fill=\"rgb(255,0,0)\""); at != std::string::npos;
         at = svg.find("fill=\"rgb(255,0,0)\"", at + 1))
        ++red;
    EXPECT_EQ(red, 4u);
    EXPECT_NE(svg.find("&lt;b&gt;\\x1b:9.1%"), std::string::npos);

    // One slice of the whole total is the whole disc; no slice shows the reason instead.
    const std::string whole = shareChartSvg(chartOf({{"a", 1.0}}));
    EXPECT_NE(whole.find("<circle"), std::string::npos);
    ShareChart empty = chartOf({});
    empty.emptyReason = "nothing to share";
    const auto none = trawler::test::readHtml(shareChartSvg(empty));
    ASSERT_TRUE(none.wellFormed);
    EXPECT_EQ(none.elements.count("path"), 0u);
    EXPECT_NE(shareChartSvg(empty).find("nothing to share"), std::string::npos);
}
