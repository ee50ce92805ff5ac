#include "align/tm_superposition.h"

#include <algorithm>
#include <cmath>

#include <gemmi/qcp.hpp>

namespace pairfit {

double tm_d0(int length) {
    if (length <= 21) return 0.5;
    return std::max(0.5, 1.24 * std::cbrt(length - 15.0) - 1.8);
}

double tm_score_under(const gemmi::Position *x, const gemmi::Position *y, int n, double d0,
                      double norm_length, const gemmi::Transform &t) {
    const double inv = 1.0 / (d0 * d0);
    double sum = 0.0;
    for (int k = 0; k < n; ++k) {
        const gemmi::Vec3 moved = t.apply(y[k]);
        sum += 1.0 / (1.0 + moved.dist_sq(x[k]) * inv);
    }
    return sum / norm_length;
}

tm_fit tm_superposition_search::best(const gemmi::Position *x, const gemmi::Position *y, int n,
                                     double d0, double norm_length,
                                     const tm_search_effort &effort) {
    tm_fit best;
    if (n < 3) return best;
    // Pairs closer than this take part in the next refit; the cutoff is
    // kept between 4.5 and 8 Angstrom so that small and large proteins
    // both gather enough pairs.
    const double cutoff = std::min(8.0, std::max(4.5, d0));
    const double inv = 1.0 / (d0 * d0);
    sel_x_.resize(n);
    sel_y_.resize(n);
    int length = n, lengths = 0;
    while (lengths < effort.lengths) {
        ++lengths;
        const int span = n - length;
        // Every half seed length, or evenly spread seeds; never more than
        // 40 a length.
        int step = effort.seeds > 0 ? std::max(1, span / std::max(1, effort.seeds - 1))
                                    : std::max({1, length / 2, span / 40});
        if (span == 0) step = 1;
        for (int start = 0; start <= span; start += step) {
            selected_.clear();
            for (int k = start; k < start + length; ++k) selected_.push_back(k);
            for (int it = 0; it < effort.iterations; ++it) {
                const int m = static_cast<int>(selected_.size());
                for (int s = 0; s < m; ++s) {
                    sel_x_[s] = x[selected_[s]];
                    sel_y_[s] = y[selected_[s]];
                }
                const gemmi::SupResult fit =
                    gemmi::superpose_positions(sel_x_.data(), sel_y_.data(), m, nullptr);
                const gemmi::Transform &t = fit.transform;
                double sum = 0.0;
                next_.clear();
                double limit = cutoff * cutoff;
                for (int k = 0; k < n; ++k) {
                    const double d2 = t.apply(y[k]).dist_sq(x[k]);
                    sum += 1.0 / (1.0 + d2 * inv);
                    if (d2 < limit) next_.push_back(k);
                }
                if (sum / norm_length > best.score) {
                    best.score = sum / norm_length;
                    best.transform = t;
                }
                // Too few close pairs: widen the cutoff until three are in.
                for (double wider = cutoff + 0.5; next_.size() < 3 && wider < 100.0; wider += 0.5) {
                    next_.clear();
                    limit = wider * wider;
                    for (int k = 0; k < n; ++k)
                        if (t.apply(y[k]).dist_sq(x[k]) < limit) next_.push_back(k);
                }
                if (next_ == selected_) break;
                selected_.swap(next_);
            }
            if (span == 0) break;
        }
        if (length <= 4) break;
        length = std::max(4, length / 2);
    }
    return best;
}

}  // namespace pairfit
