#include <cstdio>

#include "output_file.h"
#include "reports.h"

namespace {

// The temperature factor reads flag.00 for structure 2 and flag.50 for
// structure 1, so that both the block and the subset show.
const char STRUCTURE2_LINE[] = "ATOM   %-4d  %-4s%-3s  %-4d     %7.3lf %7.3lf %7.3lf  1.0   %-1d.00     \n";
const char STRUCTURE1_LINE[] = "ATOM   %-4d  %-4s%-3s  %-4d     %7.3lf %7.3lf %7.3lf  1.0   %-1d.50     \n";

// Writes the paired atoms of one structure at their superposed places,
// then "END ".
bool write_block(FILE *f, const pairfit::structure &s, const std::vector<int> &index,
                 const std::vector<std::array<double, 3>> &place, const pairfit::result &r,
                 const char *format) {
    bool ok = true;
    for (size_t k = 0; k < index.size(); ++k) {
        const pairfit::ca_atom &a = s.atoms[index[k]];
        ok = std::fprintf(f, format, a.serial, a.atom_name.c_str(), a.residue_name.c_str(), a.residue_number,
                          place[k][0], place[k][1], place[k][2], static_cast<int>(r.in_subset[k])) > 0 &&
             ok;
    }
    return std::fputs("END \n", f) >= 0 && ok;
}

}  // namespace

bool write_coordinate_file(const char *path, const compared_pair &input, const pairfit::result &r,
                           std::string *reason) {
    output_file out(path);
    FILE *f = out.stream();
    bool ok = f != nullptr;
    if (ok) {
        ok = write_block(f, input.second, input.pairs.second, r.superposed2, r, STRUCTURE2_LINE);
        ok = write_block(f, input.first, input.pairs.first, r.superposed1, r, STRUCTURE1_LINE) && ok;
        if (!ok) out.writing_failed();
    }
    ok = out.commit() && ok;
    if (!ok) *reason = out.failure_reason();
    return ok;
}
