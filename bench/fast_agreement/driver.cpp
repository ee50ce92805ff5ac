// Runs the exact and the fast search on one pair of files and prints one
// tab-separated line: pairs, then size, RMS, score and p-value of the exact
// search, the same of the fast search, the pairs in one chosen subset but not
// the other, and the seconds each search took.
//
//   fast_agreement_driver FILE1 FILE2 [MIN_SIZE [THREADS [fast]]]
// (a fifth argument skips the exact search)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "fast/fast_search.h"
#include "search/search.h"
#include "structure/matching.h"
#include "structure/reader.h"

int main(int argc, char **argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s FILE1 FILE2 [MIN_SIZE [THREADS]]\n", argv[0]);
        return 2;
    }
    int min_size = argc > 3 ? std::atoi(argv[3]) : 19;
    int threads = argc > 4 ? std::atoi(argv[4]) : 1;
    std::snprintf(m[0].filename, PATH_SIZE, "%s", argv[1]);
    std::snprintf(m[1].filename, PATH_SIZE, "%s", argv[2]);
    if (read_molecules_ca() != READ_OK) return 1;
    check_molecules(&m[0], &m[1]);
    const int n = m[0].natoms;
    std::vector<pairfit::detail::point> first(n), second(n);
    for (int i = 0; i < n; ++i) {
        first[i] = {m[0].atoms[i].x, m[0].atoms[i].y, m[0].atoms[i].z};
        second[i] = {m[1].atoms[i].x, m[1].atoms[i].y, m[1].atoms[i].z};
    }

    using clock = std::chrono::steady_clock;
    auto t0 = clock::now();
    static best_subset best;
    static double by_size[MAX_ATOMS + 1];
    double u[9];
    if (argc <= 5) search_best_subset(&m[0], &m[1], min_size, 0.0, &best, by_size, u);
    auto t1 = clock::now();
    pairfit::detail::fast_search_options options;
    options.min_size = min_size;
    options.threads = threads;
    auto fast = pairfit::detail::fast_search(first, second, options);
    auto t2 = clock::now();

    int differ = 0;
    for (int i = 0; i < n; ++i) differ += (best.best_selected1[i] != 0) != (fast.in_subset[i] != 0);
    std::printf("%d\t%d\t%.6f\t%.6f\t%.6e\t%d\t%.6f\t%.6f\t%.6e\t%d\t%.4f\t%.4f\n", n, best.best_size,
                best.best_rms, best.best_score, best.best_pvalue, fast.size, fast.rms, fast.score,
                fast.pvalue, differ, std::chrono::duration<double>(t1 - t0).count(),
                std::chrono::duration<double>(t2 - t1).count());
    std::fprintf(stderr, "fits %lld scores %lld cut %lld passes %lld deviations %lld recorded %lld\n",
                 fast.counters.fits, fast.counters.scores, fast.counters.paths_cut, fast.counters.full_passes,
                 fast.counters.deviations, fast.counters.subsets_recorded);
    return 0;
}
