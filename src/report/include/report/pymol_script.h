// A PyMOL script showing the superposition of the -sup file (pairfit -pml).
#ifndef PAIRFIT_REPORT_PYMOL_SCRIPT_H
#define PAIRFIT_REPORT_PYMOL_SCRIPT_H

#include <string>

namespace pairfit {

// The colours of the script, as red, green, blue from 0 to 1: structure 1's
// best subset and the rest of it, then structure 2's.
struct pymol_colour {
    const char *name;
    double red, green, blue;
};
extern const pymol_colour pymol_colours[4];

// A PyMOL script (.pml) that loads the superposed file at superposed_path
// (as superposed_file_text writes it) and splits it into two objects,
// structure1 (its model 1) and structure2 (model first_models + 1, the
// first of structure 2), colours each one's best subset (B-factor 1) and
// other residues in the four colours, shows C-alpha traces and orients the
// view on both.
std::string pymol_script_text(const std::string &superposed_path, int first_models);

}  // namespace pairfit

#endif
