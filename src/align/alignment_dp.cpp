#include "align/alignment_dp.h"

namespace pairfit {

void alignment_dp::trace_back(int n1, int n2, int end_i, int end_j, std::vector<int> &match) const {
    match.assign(n1, -1);
    int i = end_i, j = end_j;
    while (i > 0 && j > 0) {
        const std::uint8_t dir = get(static_cast<std::size_t>(i - 1) * n2 + (j - 1));
        if (dir == diagonal) {
            match[i - 1] = j - 1;
            --i;
            --j;
        } else if (dir == up) {
            --i;
        } else {
            --j;
        }
    }
}

}  // namespace pairfit
