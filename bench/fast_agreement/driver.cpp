// Runs the exact and the fast search on one pair of files and prints one
// tab-separated line: pairs, then size, RMS, score and p-value of the exact
// search, the same of the fast search, the pairs in one chosen subset but not
// the other, and the seconds each search took. The fast search's counters go
// to standard error.
//
//   fast_agreement_driver FILE1 FILE2 [MIN_SIZE [THREADS [fast]]]
//
// A fifth argument skips the exact search (its columns are then 0).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "fast/fast_search.h"
#include "pairfit/pairfit.h"

int main(int argc, char **argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s FILE1 FILE2 [MIN_SIZE [THREADS [fast]]]\n", argv[0]);
        return 2;
    }
    const int min_size = argc > 3 ? std::atoi(argv[3]) : 19;
    const int threads = argc > 4 ? std::atoi(argv[4]) : 1;
    pairfit::read_options reading;
    reading.max_atoms = static_cast<std::size_t>(-1);
    pairfit::structure one, two;
    try {
        one = pairfit::read_structure(argv[1], reading);
        two = pairfit::read_structure(argv[2], reading);
    } catch (const pairfit::read_error &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    const pairfit::pairing pairs = pairfit::pair_by_residue_number(one, two);
    const int n = static_cast<int>(pairs.size());
    std::vector<gemmi::Vec3> first(n), second(n);
    for (int k = 0; k < n; ++k) {
        const pairfit::ca_atom &a = one.atoms[pairs.first[k]], &b = two.atoms[pairs.second[k]];
        first[k] = gemmi::Vec3(a.x, a.y, a.z);
        second[k] = gemmi::Vec3(b.x, b.y, b.z);
    }

    using clock = std::chrono::steady_clock;
    auto t0 = clock::now();
    pairfit::result exact;
    exact.in_subset.assign(n, 0);
    if (argc <= 5) {
        pairfit::compare_options options;
        options.min_size = min_size;
        exact = pairfit::compare(one, two, pairs, options);
    }
    auto t1 = clock::now();
    pairfit::detail::fast_search_options options;
    options.min_size = min_size;
    options.threads = threads;
    auto fast = pairfit::detail::fast_search(first, second, options);
    auto t2 = clock::now();

    int differ = 0;
    for (int i = 0; i < n; ++i) differ += (exact.in_subset[i] != 0) != (fast.in_subset[i] != 0);
    std::printf("%d\t%d\t%.6f\t%.6f\t%.6e\t%d\t%.6f\t%.6f\t%.6e\t%d\t%.4f\t%.4f\n", n, exact.size, exact.rms,
                exact.score, exact.pvalue, fast.size, fast.rms, fast.score, fast.pvalue, differ,
                std::chrono::duration<double>(t1 - t0).count(),
                std::chrono::duration<double>(t2 - t1).count());
    std::fprintf(
        stderr,
        "fits %lld scores %lld cut %lld full passes %lld deviations %lld estimates %lld recorded %lld\n",
        fast.counters.fits, fast.counters.scores, fast.counters.paths_cut, fast.counters.full_passes,
        fast.counters.deviations, fast.counters.estimates, fast.counters.subsets_recorded);
    return 0;
}
