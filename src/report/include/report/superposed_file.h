// The superposed structures as a coordinate file for other programs
// (pairfit -sup): every atom of both inputs, structure 2 moved onto
// structure 1.
#ifndef PAIRFIT_REPORT_SUPERPOSED_FILE_H
#define PAIRFIT_REPORT_SUPERPOSED_FILE_H

#include <string>

#include "pairfit/compare.h"

namespace pairfit {

enum class coordinate_format { pdb, mmcif };

// mmcif when path ends in ".cif" (any letter case), pdb otherwise.
coordinate_format format_for_path(const std::string &path);

// Reads every atom of first.source and second.source again (with gemmi;
// plain or gzip, PDB or mmCIF told by content as read_structure tells it)
// and returns one file's text: structure 1's models as they are, numbered
// from 1, then structure 2's models moved by r.transform, numbered on. The
// B-factor of every atom of a residue whose C-alpha atom is in the best
// subset is 1.00, of every other atom 0.00. Comment lines and data blocks
// after the first are skipped while reading, and at most 1 GB of the rest
// is held. Throws error ("Error reading file NAME") when an input cannot be
// read again, error naming the file when a structure with atoms comes back
// without any (a pipe read once), and error with gemmi's reason when the
// structures cannot be written in the format.
std::string superposed_file_text(const structure &first, const structure &second, const pairing &pairs,
                                 const result &r, coordinate_format format);

}  // namespace pairfit

#endif
