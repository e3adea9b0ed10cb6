#include "BatchWriter.h"

#include <string>

namespace trawler::parse {

namespace {

constexpr int kRowsPerStatement = 32;

std::string insertSql(const char* table, const char* columns, int columnCount, int rows)
{
    std::string one = "(?";
    for (int i = 1; i < columnCount; ++i)
        one += ", ?";
    one += ")";
    std::string sql = std::string("insert into ") + table + " (" + columns + ") values " + one;
    for (int i = 1; i < rows; ++i)
        sql += ", " + one;
    return sql;
}

void bindTextOrNull(db::Statement& st, int index, std::string_view text)
{
    if (text.empty())
        st.bindNull(index);
    else
        st.bindTextUnowned(index, text);
}

} // namespace

BatchWriter::BatchWriter(db::Database& database, db::SummaryWriter& summary) : m_summary(summary)
{
    auto prepare = [&](const char* table, const char* columns, int count) {
        return Insert{database.prepare(insertSql(table, columns, count, kRowsPerStatement)),
                      database.prepare(insertSql(table, columns, count, 1))};
    };
    m_arp = prepare("arp", "Tm, Sourcemac, Destmac, Sourceip, Destip, Type", 6);
    m_icmp = prepare("icmp", "Tm, Sourceip, Destip, Totallen, Type, Code", 6);
    m_syn = prepare("syn", "Tm, Sourceip, Destip, Sourceport, Destport", 5);
    m_ip = prepare("ip", "Tm, Sourceip, Destip, Totallen, Upperlayer, Sourceport, Destport", 7);
}

template <typename Row, typename Bind>
void BatchWriter::writeRows(Insert& insert, const std::vector<Row>& rows, int columns, Bind bind)
{
    // Texts are bound unowned: the batch outlives each statement's step.
    std::size_t i = 0;
    for (; i + kRowsPerStatement <= rows.size(); i += kRowsPerStatement) {
        for (int k = 0; k < kRowsPerStatement; ++k)
            bind(insert.many, k * columns, rows[i + static_cast<std::size_t>(k)]);
        insert.many.execute();
    }
    for (; i < rows.size(); ++i) {
        bind(insert.one, 0, rows[i]);
        insert.one.execute();
    }
}

void BatchWriter::write(const RowBatch& batch)
{
    writeRows(m_arp, batch.arp, 6, [](db::Statement& st, int base, const RowBatch::Arp& row) {
        bindTextOrNull(st, base + 1, row.time.view());
        st.bindTextUnowned(base + 2, row.senderMac.view());
        st.bindTextUnowned(base + 3, row.targetMac.view());
        st.bindTextUnowned(base + 4, row.senderIp.view());
        st.bindTextUnowned(base + 5, row.targetIp.view());
        bindTextOrNull(st, base + 6, row.operation);
    });
    writeRows(m_icmp, batch.icmp, 6, [](db::Statement& st, int base, const RowBatch::Icmp& row) {
        bindTextOrNull(st, base + 1, row.time.view());
        st.bindTextUnowned(base + 2, row.source.view());
        st.bindTextUnowned(base + 3, row.dest.view());
        st.bindInt(base + 4, row.totalLength);
        st.bindTextUnowned(base + 5, row.type);
        bindTextOrNull(st, base + 6, row.code);
    });
    writeRows(m_syn, batch.syn, 5, [](db::Statement& st, int base, const RowBatch::Syn& row) {
        bindTextOrNull(st, base + 1, row.time.view());
        st.bindTextUnowned(base + 2, row.source.view());
        st.bindTextUnowned(base + 3, row.dest.view());
        st.bindInt(base + 4, row.sourcePort);
        st.bindInt(base + 5, row.destPort);
    });
    writeRows(m_ip, batch.ip, 7, [](db::Statement& st, int base, const RowBatch::Ip& row) {
        bindTextOrNull(st, base + 1, row.time.view());
        st.bindTextUnowned(base + 2, row.source.view());
        st.bindTextUnowned(base + 3, row.dest.view());
        st.bindInt(base + 4, row.totalLength);
        if (row.layer == RowBatch::Layer::None) {
            st.bindNull(base + 5);
            st.bindNull(base + 6);
            st.bindNull(base + 7);
        } else {
            st.bindTextUnowned(base + 5, row.layer == RowBatch::Layer::Tcp ? "TCP" : "UDP");
            st.bindInt(base + 6, row.sourcePort);
            st.bindInt(base + 7, row.destPort);
        }
    });
    if (batch.sums)
        m_summary.write(*batch.sums);
}

} // namespace trawler::parse
