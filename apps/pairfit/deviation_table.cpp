#include "deviation_table.h"

#include <cstdio>

void print_deviation_table(const compared_pair &input, double rms, const std::function<bool(int)> &in_subset,
                           const std::function<double(int)> &distance) {
    std::printf("Overall average RMS deviation is %lf Angstroms.\n", rms);
    std::printf("\n");
    std::printf("RMS deviations by atom\n");
    std::printf("Atom \t Name \t  residue \t RMS deviation\tAtom \t Name \t  residue \t RMS deviation\n");
    const int n = static_cast<int>(input.pairs.size());
    for (int k = 0; k < n; ++k) {
        if (!in_subset(k)) continue;
        const pairfit::ca_atom &a1 = input.first.atoms[input.pairs.first[k]];
        const pairfit::ca_atom &a2 = input.second.atoms[input.pairs.second[k]];
        const double d = distance(k);
        std::printf("%d \t %s \t %3s %4d \t %8.4lf\t%d \t %s \t %3s %4d \t %8.4lf\n", a1.serial,
                    a1.atom_name.c_str(), a1.residue_name.c_str(), a1.residue_number, d, a2.serial,
                    a2.atom_name.c_str(), a2.residue_name.c_str(), a2.residue_number, d);
    }
}
