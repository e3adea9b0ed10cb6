#include "ShareChart.h"

#include "Messages.h"
#include "NumberText.h"

#include "db/DbError.h"
#include "db/Statement.h"

namespace trawler::reports {

namespace {

int requireField(const db::Statement& st, const std::string& name)
{
    const int index = st.fieldIndex(name);
    if (index < 0)
        throw db::DbError::missingField(name);
    return index;
}

} // namespace

std::string emptyChartReason(double total, double threshold)
{
    if (!hasShares(total))
        return std::string(messages::kChartNoPositiveTotal) + " (" + db::formatReal(total) + ")";
    return std::string(messages::kChartBelowThreshold) + fixedDecimal(threshold * 100.0, 1) + "%";
}

ShareChartBuilder::ShareChartBuilder(const ChartSpec& chart, const db::Statement& st) : m_spec(chart)
{
    for (const auto& f : chart.labelFields)
        m_labelIndices.push_back(requireField(st, f));
    m_amountIndex = requireField(st, chart.amountField);
}

void ShareChartBuilder::add(const db::Statement& st)
{
    const db::Value amountValue = st.value(m_amountIndex);
    std::optional<double> amount;
    if (!amountValue.isNull()) {
        amount = amountValue.toDouble();
        m_total += *amount;
    }
    ++m_rowCount;
    // A sorted chart must see every row before it knows which become slices.
    if (m_spec.sortByAmount || m_rows.size() < kMaxSlices) {
        std::vector<std::optional<std::string>> parts;
        parts.reserve(m_labelIndices.size());
        for (int index : m_labelIndices)
            parts.push_back(st.value(index).toText());
        m_rows.push_back(ShareRow{sliceLabel(parts), amount});
    }
}

ShareChart ShareChartBuilder::finish() const
{
    ShareChart chart;
    chart.centre = m_spec.centre;
    chart.square = m_spec.square;
    chart.total = m_total;
    chart.rowCount = m_rowCount;
    if (m_spec.sortByAmount) {
        std::vector<ShareRow> sorted = m_rows;
        sortByAmount(sorted);
        chart.slices = computeSlices(sorted, m_total, m_spec.threshold);
    } else {
        chart.slices = computeSlices(m_rows, m_total, m_spec.threshold);
    }
    if (chart.slices.empty())
        chart.emptyReason = emptyChartReason(m_total, m_spec.threshold);
    return chart;
}

ShareChart buildShareChart(db::Statement& st, const ChartSpec& spec, bool onFirstRow)
{
    if (!onFirstRow && !st.step())
        return ShareChartBuilder(spec, st).finish();
    ShareChartBuilder builder(spec, st);
    do
        builder.add(st);
    while (st.step());
    return builder.finish();
}

} // namespace trawler::reports
