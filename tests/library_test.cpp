// The public API on real files: the same values as the program, the
// transformation against the coordinate file, workspaces on threads, typed
// read errors and the observer.
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <sstream>
#include <thread>
#include <vector>

#include "test_util.h"

// Counts the allocations of this test program, so that a test can say that
// a piece of work made none. (GCC's check of matching allocation and release
// functions cannot see that this new's memory comes from malloc.)
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
static std::atomic<long> allocations{0};
void *operator new(std::size_t size) {
    ++allocations;
    if (void *p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept {
    std::free(p);
}
void operator delete(void *p, std::size_t) noexcept {
    std::free(p);
}

namespace {

struct real_pair {
    const char *first, *second;
};

const real_pair PAIRS[] = {
    {"../../examples/demo_ldh_6ldh_A.pdb", "../../examples/demo_ldh_1ldm_A.pdb"},
    {"ubiquitin_1ubq_xray.pdb", "ubiquitin_1d3z_nmr.pdb.gz"},
    {"cytc_horse_1m60_nmr.pdb", "cytc_horse_2pcb_B.pdb"},
    {"hemoglobin_2hhb_4chains.pdb.gz", "hemoglobin_2hhb_chainB_ca.pdb"},
    {"ubiquitin_1ubq_first12_ca.pdb", "ubiquitin_1ubq_xray.pdb"},  // no subset accepted
};

pairfit::result compare_files(const real_pair &p, const pairfit::compare_options &options = {}) {
    const pairfit::structure a = read_atoms(data_file(p.first)), b = read_atoms(data_file(p.second));
    return pairfit::compare(a, b, pairfit::pair_by_residue_number(a, b), options);
}

// The ATOM lines of one block of a coordinate file: x, y, z of each.
std::vector<std::array<double, 3>> block_coordinates(const std::string &file, int block) {
    std::vector<std::array<double, 3>> at;
    int seen = 0;
    for (const std::string &line : lines_of(file)) {
        if (line.rfind("END", 0) == 0)
            ++seen;
        else if (seen == block && line.rfind("ATOM", 0) == 0)
            at.push_back({std::stod(line.substr(30, 8)), std::stod(line.substr(38, 8)),
                          std::stod(line.substr(46, 8))});
    }
    return at;
}

}  // namespace

TEST(Library, SameValuesAsTheProgramAndATransformThatReproducesItsCoordinateFile) {
    for (const real_pair &p : PAIRS) {
        SCOPED_TRACE(p.first);
        const std::string coords = temp_path("api.pdb");
        RunResult run = run_pairfit("-pdb " + coords + " " + quote(data_file(p.first)) + " " +
                                    quote(data_file(p.second)));
        const pairfit::structure a = read_atoms(data_file(p.first)), b = read_atoms(data_file(p.second));
        const pairfit::pairing pairs = pairfit::pair_by_residue_number(a, b);
        const pairfit::result r = pairfit::compare(a, b, pairs);
        EXPECT_EQ(run.out, "SCORE:\t" + pairfit::score_values(r) + "\n");
        ASSERT_EQ(r.npairs, static_cast<int>(pairs.size()));

        // Structure 2 moved by the transformation and shifted as the file shifts
        // structure 1 lands on the file's coordinates.
        const auto file2 = block_coordinates(read_file(coords), 0),
                   file1 = block_coordinates(read_file(coords), 1);
        std::remove(coords.c_str());
        ASSERT_EQ(file2.size(), pairs.size());
        double subset_sum = 0.0;
        for (size_t k = 0; k < pairs.size(); ++k) {
            const pairfit::ca_atom &a1 = a.atoms[pairs.first[k]], &a2 = b.atoms[pairs.second[k]];
            const std::array<double, 3> moved = r.transform.apply({a2.x, a2.y, a2.z});
            const double input1[3] = {a1.x, a1.y, a1.z};
            double sq = 0.0;
            for (int i = 0; i < 3; ++i) {
                EXPECT_NEAR(moved[i] + r.reference_shift[i], file2[k][i], 0.0006) << k;
                EXPECT_NEAR(input1[i] + r.reference_shift[i], file1[k][i], 0.0006) << k;
                sq += (moved[i] - input1[i]) * (moved[i] - input1[i]);
            }
            EXPECT_NEAR(std::sqrt(sq), r.distances[k], 1e-6);
            if (r.in_subset[k]) subset_sum += sq;
        }
        int in_subset = 0;
        for (char c : r.in_subset) in_subset += c;
        EXPECT_EQ(in_subset, r.size);
        if (r.size > 0) {
            EXPECT_NEAR(std::sqrt(subset_sum / r.size), r.rms, 0.05 + 1e-9);  // printed to 0.1
            EXPECT_NEAR(std::sqrt(subset_sum / r.size), r.final_rms, 1e-6);
        }
    }
}

TEST(Library, WorkspacesOnTwoThreadsGiveWhatOneGives) {
    std::vector<std::string> alone(std::size(PAIRS)), threaded(std::size(PAIRS));
    auto work = [&](std::vector<std::string> &out, size_t start, size_t step) {
        pairfit::workspace own;
        pairfit::result r;
        for (size_t i = start; i < out.size(); i += step) {
            const pairfit::structure a = read_atoms(data_file(PAIRS[i].first)),
                                     b = read_atoms(data_file(PAIRS[i].second));
            pairfit::compare(own, a, b, pairfit::pair_by_residue_number(a, b), {}, r);
            out[i] = pairfit::score_values(r) + std::to_string(r.distances.back());
        }
    };
    work(alone, 0, 1);
    std::thread other(work, std::ref(threaded), 1, 2);
    work(threaded, 0, 2);
    other.join();
    EXPECT_EQ(threaded, alone);
}

TEST(Library, ReadErrorsAreTypedWithTheProgramsMessages) {
    const std::string missing = temp_path("missing.pdb"),
                      overcap = data_file("overcap_ubiquitin_2k39_ca.pdb.gz");
    const std::string gz = read_file(data_file("demo_ldh_6ldh_A.pdb.gz"));
    Scratch cut("cut.pdb.gz", gz.substr(0, gz.size() / 3));
    const std::pair<std::string, std::string> cases[] = {
        {missing, "0 Couldn't open file " + missing},
        {cut.path, "1 Error reading file " + cut.path},
        {overcap, "2 Too many C-alpha atoms in file " + overcap + " (at most 5000)"},
    };
    for (const auto &c : cases) EXPECT_EQ(read_failure_of(c.first), c.second);
    // A pairing that does not fit the structures is refused, not followed.
    const pairfit::structure a = read_atoms(data_file("ubiquitin_1ubq_xray.pdb"));
    EXPECT_THROW(pairfit::compare(a, a, pairfit::pairing{{0, 1}, {0, 76}}), pairfit::error);
    EXPECT_THROW(pairfit::compare(a, a, pairfit::pairing{{0, 76}, {0, 1}}), pairfit::error);
}

TEST(Library, PerSizeScoresAndTheResultWithoutASubset) {
    pairfit::compare_options options;
    options.per_size_scores = true;
    const pairfit::result r = compare_files(PAIRS[2], options);
    ASSERT_EQ(r.score_by_size.size(), static_cast<size_t>(r.npairs + 1));
    EXPECT_EQ(r.score_by_size[r.size], r.score);  // the best subset's size holds its score
    for (int s = 0; s < 5; ++s) EXPECT_EQ(r.score_by_size[s], 0.0);

    const pairfit::result none = compare_files(PAIRS[4]);
    EXPECT_EQ(pairfit::score_values(none), "76\t0\t0.0\t0.0\t1.000000e+00\t-5.090000e+01");
    EXPECT_EQ(none.npairs, 12);
    EXPECT_EQ(none.final_rms, 0.0);
    EXPECT_TRUE(none.score_by_size.empty());
}

TEST(Library, AReusedWorkspaceAllocatesNothing) {
    const pairfit::structure a = read_atoms(example_file("demo_ldh_6ldh_A.pdb"));
    const pairfit::structure b = read_atoms(example_file("demo_ldh_1ldm_A.pdb"));
    pairfit::workspace ws;
    pairfit::pairing pairs;
    pairfit::result r;
    pairfit::compare_options options;
    options.per_size_scores = true;
    pairfit::pair_by_residue_number(a, b, pairs);
    pairfit::compare(ws, a, b, pairs, options, r);
    const long before = allocations;
    pairfit::pair_by_residue_number(b, a, pairs);
    pairfit::compare(ws, b, a, pairs, options, r);
    EXPECT_EQ(allocations - before, 0);
    EXPECT_EQ(r.size, 316);
}
