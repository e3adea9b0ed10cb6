#include "ShareChart.h"

#include "db/DbError.h"
#include "db/Statement.h"

namespace trawler::reports {

namespace {

int requireField(const db::Statement& st, const std::string& name)
{
    const int index = st.fieldIndex(name);
    if (index < 0)
        throw db::DbError("Item cannot be found in the collection corresponding to the requested name or ordinal: " + name
                          + ".");
    return index;
}

} // namespace

ShareChart buildShareChart(db::Statement& st, const ChartSpec& spec)
{
    ShareChart chart;
    chart.centre = spec.centre;
    chart.square = spec.square;
    chart.legendX = spec.legendX;

    std::vector<int> labelIndices;
    for (const auto& f : spec.labelFields)
        labelIndices.push_back(requireField(st, f));
    const int amountIndex = requireField(st, spec.amountField);

    // Only the rows that can become slices are kept; a sorted chart must see
    // every row before it knows which ones those are.
    std::vector<ShareRow> rows;
    double total = 0.0;
    std::vector<std::optional<std::string>> parts(labelIndices.size());
    while (st.step()) {
        const db::Value amountValue = st.value(amountIndex);
        std::optional<double> amount;
        if (!amountValue.isNull()) {
            amount = amountValue.toDouble();
            total += *amount;
        }
        ++chart.rowCount;
        if (spec.sortByAmount || rows.size() < kMaxSlices) {
            for (std::size_t i = 0; i < labelIndices.size(); ++i)
                parts[i] = st.value(labelIndices[i]).toText();
            rows.push_back(ShareRow{sliceLabel(parts), amount});
        }
    }
    if (spec.sortByAmount)
        sortByAmount(rows);
    chart.total = total;
    chart.slices = computeSlices(rows, total, spec.threshold);
    return chart;
}

} // namespace trawler::reports
