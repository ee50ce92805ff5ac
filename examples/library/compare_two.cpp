// Compares two structures with the pairfit library and prints the best
// subset's size, RMS and p-value, and the rotation that puts file 2 onto file 1.
#include <pairfit/pairfit.h>
#include <cstdio>

int main(int argc, char **argv) {
    if (argc != 3) return std::fprintf(stderr, "usage: compare_two FILE1 FILE2\n"), 2;
    try {
        pairfit::structure a = pairfit::read_structure(argv[1]);
        pairfit::structure b = pairfit::read_structure(argv[2]);
        pairfit::result r = pairfit::compare(a, b, pairfit::pair_by_residue_number(a, b));
        std::printf("%d of %d pairs, RMS %.2f A, p-value %.3g\n", r.size, r.npairs, r.rms, r.pvalue);
        for (const auto &row : r.transform.rotation)
            std::printf("%9.5f %9.5f %9.5f\n", row[0], row[1], row[2]);
    } catch (const pairfit::error &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
