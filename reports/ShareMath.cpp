#include "ShareMath.h"

#include "text/Trim.h"

#include <algorithm>
#include <cmath>

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

bool hasShares(double total)
{
    return std::isfinite(total) && total > 0.0;
}

std::vector<Slice> computeSlices(const std::vector<ShareRow>& rows, double total, double threshold)
{
    std::vector<Slice> slices;
    // Shares are fractions of a positive amount: a zero, negative or
    // non-finite total (a NaN from a text amount, a sum that overflowed)
    // divides nothing.
    if (!hasShares(total))
        return slices;
    const std::size_t n = std::min(rows.size(), kMaxSlices);
    for (std::size_t i = 0; i < n; ++i) {
        const double share = rows[i].amount ? *rows[i].amount / total : 0.0;
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
            label += text::trimTrailingBlanks(*parts[i]);
    }
    return label;
}

} // namespace trawler::reports
