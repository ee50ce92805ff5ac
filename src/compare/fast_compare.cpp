#include "compare/fast_compare.h"

#include <algorithm>
#include <cmath>

#include "fast/fast_search.h"
#include "score/method_rules.h"
#include "superpose/rigid_transform_gemmi.h"

namespace pairfit {

void compare_fast(const structure &first, const structure &second, const pairing &pairs,
                  const compare_options &options, result &out) {
    const int n = static_cast<int>(pairs.size());
    std::vector<gemmi::Vec3> one(n), two(n);
    for (int k = 0; k < n; ++k) {
        const ca_atom &a = first.atoms[pairs.first[k]], &b = second.atoms[pairs.second[k]];
        one[k] = gemmi::Vec3(a.x, a.y, a.z);
        two[k] = gemmi::Vec3(b.x, b.y, b.z);
    }
    detail::fast_search_options search;
    search.min_size = options.min_size;
    search.threads = options.threads;
    search.per_size_scores = options.per_size_scores;
    search.record_scored_sizes = options.sizes_as_scored;
    detail::fast_search_result found = detail::fast_search(one, two, search);

    out.max_natoms = static_cast<int>(std::max(first.size(), second.size()));
    out.npairs = n;
    out.size = found.size;
    out.rms = found.rms;
    out.score = found.score;
    out.pvalue = found.pvalue;
    out.normalised_pvalue = normalised_pvalue(out.pvalue, first.size());
    out.in_subset = found.in_subset;
    out.score_by_size.clear();
    if (options.per_size_scores || options.sizes_as_scored) out.score_by_size = found.score_by_size;
    if (options.observer != nullptr && found.size > 0)
        options.observer->new_best(growth_step{found.size, n, found.rms, found.score, found.pvalue});

    // The best subset's own fit; without one, the fit the search ended with
    // (none at all with fewer than five pairs: the input as it is, distances
    // 0, as the exact mode leaves them).
    const detail::rigid_fit fit =
        found.size > 0 ? detail::fit_subset(one, two, found.in_subset) : found.last_fit;
    out.final_rms = found.size > 0 ? fit.rms : 0.0;
    out.distances.assign(n, 0.0);
    out.superposed1.resize(n);
    out.superposed2.resize(n);
    for (int k = 0; k < n; ++k) {
        const gemmi::Vec3 a = one[k] - fit.centre1, moved = fit.rotation.multiply(two[k] - fit.centre2);
        out.superposed1[k] = from_gemmi(a);
        out.superposed2[k] = from_gemmi(moved);
        if (fit.size > 0) out.distances[k] = (a - moved).length();
    }
    // superposed1 = first - c1; superposed2 = R (second - c2) = transform
    // (R second + c1 - R c2) followed by the same shift.
    out.reference_shift = from_gemmi(-fit.centre1);
    gemmi::Transform transform;
    transform.mat = fit.rotation;
    transform.vec = fit.centre1 - fit.rotation.multiply(fit.centre2);
    out.transform = from_gemmi(transform);
}

}  // namespace pairfit
