// Global alignment of two sequences of positions by dynamic programming,
// in compact storage: two rows of single-precision scores and a traceback
// of two bits a cell, so that 5000 x 5000 positions take about 6 MB.
#ifndef PAIRFIT_ALIGN_ALIGNMENT_DP_H
#define PAIRFIT_ALIGN_ALIGNMENT_DP_H

#include <cstdint>
#include <vector>

namespace pairfit {

class alignment_dp {
public:
    // Aligns positions 0..n1-1 with 0..n2-1 in order, maximising the sum of
    // score(i, j) over aligned pairs minus gap_open for every gap that
    // opens right after an aligned pair (a gap that continues costs
    // nothing; gaps at either end are free). Sets match[i] to the position
    // aligned with i, or -1.
    template <class Score>
    void align(int n1, int n2, float gap_open, const Score &score, std::vector<int> &match);

    // Bytes of storage the last alignment used.
    std::size_t bytes() const {
        return trace_.capacity() + (prev_.capacity() + cur_.capacity()) * sizeof(float) +
               prev_dir_.capacity() + cur_dir_.capacity();
    }

private:
    enum : std::uint8_t { diagonal = 0, up = 1, left = 2 };  // up: i alone; left: j alone
    void set(std::size_t cell, std::uint8_t dir) {
        trace_[cell >> 2] |= static_cast<std::uint8_t>(dir << ((cell & 3) * 2));
    }
    std::uint8_t get(std::size_t cell) const { return (trace_[cell >> 2] >> ((cell & 3) * 2)) & 3; }
    void trace_back(int n1, int n2, int end_i, int end_j, std::vector<int> &match) const;

    std::vector<std::uint8_t> trace_;  // cell (i-1) * n2 + (j-1), four a byte
    std::vector<float> prev_, cur_;    // scores of rows i-1 and i, column 0..n2
    std::vector<std::uint8_t> prev_dir_, cur_dir_;
};

template <class Score>
void alignment_dp::align(int n1, int n2, float gap_open, const Score &score, std::vector<int> &match) {
    const std::size_t cells = static_cast<std::size_t>(n1) * n2;
    trace_.assign((cells + 3) / 4, 0);
    prev_.assign(n2 + 1, 0.0f);
    cur_.assign(n2 + 1, 0.0f);
    // The border is a gap, so that the first move off it opens nothing.
    prev_dir_.assign(n2 + 1, left);
    cur_dir_.assign(n2 + 1, up);
    float best = 0.0f;
    int end_i = n1, end_j = n2;
    for (int i = 1; i <= n1; ++i) {
        cur_[0] = 0.0f;
        cur_dir_[0] = up;
        const std::size_t row = static_cast<std::size_t>(i - 1) * n2;
        for (int j = 1; j <= n2; ++j) {
            const float d = prev_[j - 1] + score(i - 1, j - 1);
            const float u = prev_[j] - (prev_dir_[j] == diagonal ? gap_open : 0.0f);
            const float l = cur_[j - 1] - (cur_dir_[j - 1] == diagonal ? gap_open : 0.0f);
            std::uint8_t dir = diagonal;
            float h = d;
            if (u > h) {
                h = u;
                dir = up;
            }
            if (l > h) {
                h = l;
                dir = left;
            }
            cur_[j] = h;
            cur_dir_[j] = dir;
            if (dir != diagonal) set(row + (j - 1), dir);
        }
        // Trailing gaps are free: the alignment may end in the last column.
        if (cur_[n2] > best) {
            best = cur_[n2];
            end_i = i;
            end_j = n2;
        }
        prev_.swap(cur_);
        prev_dir_.swap(cur_dir_);
    }
    // ... or in the last row (now in prev_).
    for (int j = 1; j <= n2; ++j)
        if (prev_[j] > best) {
            best = prev_[j];
            end_i = n1;
            end_j = j;
        }
    trace_back(n1, n2, end_i, end_j, match);
}

}  // namespace pairfit

#endif
