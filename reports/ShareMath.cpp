#include "ShareMath.h"

#include "db/Text.h"

#include <algorithm>

namespace trawler::reports {

double shareTotal(const std::vector<ShareRow>& rows)
{
    double total = 0.0;
    for (const auto& r : rows)
        if (r.amount)
            total += *r.amount;
    return total;
}

void sortByAmount(std::vector<ShareRow>& rows)
{
    std::stable_sort(rows.begin(), rows.end(),
                     [](const ShareRow& a, const ShareRow& b) { return a.amount.value_or(0.0) > b.amount.value_or(0.0); });
}

std::vector<Slice> computeSlices(const std::vector<ShareRow>& rows, double total, double threshold)
{
    std::vector<Slice> slices;
    const std::size_t n = std::min(rows.size(), kMaxSlices);
    for (std::size_t i = 0; i < n; ++i) {
        const double share = rows[i].amount ? *rows[i].amount / total : 0.0;
        // Written as "not at least" so that 0/0 (a zero total) also ends the chart.
        if (!(share >= threshold))
            break;
        slices.push_back(Slice{rows[i].label, share});
    }
    return slices;
}

std::string sliceLabel(const std::vector<std::optional<std::string>>& parts)
{
    std::string label;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i)
            label += "->";
        if (parts[i])
            label += db::trimTrailingBlanks(*parts[i]);
    }
    return label;
}

} // namespace trawler::reports
