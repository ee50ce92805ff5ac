#include "report/clustering.h"

#include <algorithm>

namespace pairfit {

clustering average_linkage(const std::vector<double> &distances, int n) {
    clustering out;
    // Live clusters: their id, members in leaf order, and the average
    // distances between them (updated by the size-weighted mean).
    struct cluster {
        int id;
        std::vector<int> leaves;
    };
    std::vector<cluster> live;
    for (int i = 0; i < n; ++i) live.push_back({i, {i}});
    std::vector<std::vector<double>> d(n, std::vector<double>(n, 0.0));
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) d[i][j] = distances[static_cast<std::size_t>(i) * n + j];

    while (live.size() > 1) {
        std::size_t bi = 0, bj = 1;
        for (std::size_t i = 0; i < live.size(); ++i)
            for (std::size_t j = i + 1; j < live.size(); ++j)
                if (d[i][j] < d[bi][bj]) bi = i, bj = j;
        out.merges.push_back({live[bi].id, live[bj].id, d[bi][bj]});
        double wi = static_cast<double>(live[bi].leaves.size());
        double wj = static_cast<double>(live[bj].leaves.size());
        for (std::size_t k = 0; k < live.size(); ++k) {
            double joined = (wi * d[bi][k] + wj * d[bj][k]) / (wi + wj);
            d[bi][k] = d[k][bi] = joined;
        }
        d[bi][bi] = 0;
        // Live clusters stay in order of their lowest item, so bi < bj
        // puts the lower-numbered side first.
        cluster &keep = live[bi];
        keep.id = n + static_cast<int>(out.merges.size()) - 1;
        keep.leaves.insert(keep.leaves.end(), live[bj].leaves.begin(), live[bj].leaves.end());
        live.erase(live.begin() + static_cast<std::ptrdiff_t>(bj));
        d.erase(d.begin() + static_cast<std::ptrdiff_t>(bj));
        for (auto &row : d) row.erase(row.begin() + static_cast<std::ptrdiff_t>(bj));
    }
    if (!live.empty()) out.order = live[0].leaves;
    return out;
}

}  // namespace pairfit
