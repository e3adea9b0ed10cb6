#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace trawler::reports {

// The arithmetic of a share chart, free of any database or drawing.

inline constexpr std::size_t kMaxSlices = 255;
inline constexpr double kIcmpTypeShareThreshold = 0.001;
inline constexpr double kTrafficShareThreshold = 0.005;

// One result row as the chart sees it: its label and its amount (NULL: none).
struct ShareRow {
    std::string label;
    std::optional<double> amount;
};

struct Slice {
    std::string label;
    double share = 0.0;   // fraction of the total, 0.0 to 1.0
};

// Sum of every amount; NULL adds nothing. The total always covers all rows of
// a result, also those that never become slices.
double shareTotal(const std::vector<ShareRow>& rows);

// Largest amount first (NULL counts as 0); equal amounts keep their order.
void sortByAmount(std::vector<ShareRow>& rows);

// Whether a total can be divided into shares: finite and above zero.
bool hasShares(double total);

// Slices for the first kMaxSlices rows: share = amount / total (NULL: 0.0).
// The chart ends before the first share below the threshold; a share equal to
// it stays. A total without shares (hasShares) gives no slice at all.
std::vector<Slice> computeSlices(const std::vector<ShareRow>& rows, double total, double threshold);

// A label from the values of the label fields: trailing blanks cut from each,
// joined with "->"; NULL counts as the empty text.
std::string sliceLabel(const std::vector<std::optional<std::string>>& parts);

} // namespace trawler::reports
