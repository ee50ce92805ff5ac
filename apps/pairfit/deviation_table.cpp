#include <cmath>
#include <cstdio>

#include "reports.h"
#include "structure/molecule.h"

void output_results() {
    std::printf("Overall average RMS deviation is %lf Angstroms.\n", rms);
    std::printf("\n");
    std::printf("RMS deviations by atom\n");
    std::printf("Atom \t Name \t  residue \t RMS deviation\tAtom \t Name \t  residue \t RMS deviation\n");
    const molecule *m1 = &m[0], *m2 = &m[1];
    for (int i = 0; i < m1->natoms; ++i) {
        const atom *a1 = &m1->atoms[i], *a2 = &m2->atoms[i];
        if (!a1->selected) continue;
        std::printf("%d \t %s \t %3s %4d \t %8.4lf\t%d \t %s \t %3s %4d \t %8.4lf\n", a1->number,
                    a1->name, a1->resname, a1->resnum, std::sqrt(a1->sqdev), a2->number, a2->name,
                    a2->resname, a2->resnum, std::sqrt(a2->sqdev));
    }
}
