#include <sys/stat.h>

#include <cstdio>

#include "reports.h"
#include "structure/molecule.h"

namespace {

// The temperature factor reads flag.00 for molecule 2 and flag.50 for
// molecule 1, so that both the block and the selection show.
const char MOLECULE2_LINE[] =
    "ATOM   %-4d  %-4s%-3s  %-4d     %7.3lf %7.3lf %7.3lf  1.0   %-1d.00     \n";
const char MOLECULE1_LINE[] =
    "ATOM   %-4d  %-4s%-3s  %-4d     %7.3lf %7.3lf %7.3lf  1.0   %-1d.50     \n";

// Writes the atoms of mol with the selection flags of molecule 1, then "END ".
bool write_block(FILE *f, const molecule *mol, const char *format) {
    bool ok = true;
    for (int i = 0; i < mol->natoms; ++i) {
        const atom *a = &mol->atoms[i];
        ok = std::fprintf(f, format, a->number, a->name, a->resname, a->resnum, a->x, a->y, a->z,
                          m[0].atoms[i].selected) > 0 && ok;
    }
    return std::fputs("END \n", f) >= 0 && ok;
}

}  // namespace

int output_file(const char *path) {
    FILE *f = std::fopen(path, "w");
    if (f == nullptr) return -1;
    bool ok = write_block(f, &m[1], MOLECULE2_LINE);
    ok = write_block(f, &m[0], MOLECULE1_LINE) && ok;
    ok = !std::ferror(f) && ok;
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        // Leave no half-written file behind; but never unlink a device, a
        // link or anything else that is not a plain file of our own making.
        struct stat st;
        if (lstat(path, &st) == 0 && S_ISREG(st.st_mode)) std::remove(path);
        return -1;
    }
    return 0;
}
