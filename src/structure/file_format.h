// Telling the format of a structure file's text: PDB or mmCIF.
#ifndef PAIRFIT_FILE_FORMAT_H
#define PAIRFIT_FILE_FORMAT_H

namespace pairfit {

enum class text_format { undecided, pdb, mmcif };

// The format of a file, as told by its first line that is neither blank nor
// a comment: one that begins with "data_" (in any letter case) opens an
// mmCIF data block; any other line means PDB text. A blank or comment line
// leaves it undecided.
text_format sniff_format(const char *line);

}  // namespace pairfit

#endif
