// Residue correspondences written as text: the alignment lines pairfit
// prints, and alignments of the two sequences read from FASTA files.
#ifndef PAIRFIT_PUBLIC_ALIGNMENT_H
#define PAIRFIT_PUBLIC_ALIGNMENT_H

#include <array>
#include <string>
#include <vector>

#include "pairfit/pairing.h"
#include "pairfit/structure.h"

namespace pairfit {

// The sequence of a structure as alignments spell it: one letter a C-alpha
// atom, in order (the one-letter code of its residue name; modified amino
// acids as their parent, anything else X).
std::string atom_sequence(const structure &s);

// The alignment that pairs makes, as three lines of equal length: structure
// 1's sequence with '-' for gaps; ':' under pairs marked in in_subset, '.'
// under other pairs, ' ' where an atom is unpaired; structure 2's sequence.
// Between two pairs, structure 1's unpaired atoms come before structure
// 2's. in_subset may be empty (every pair then '.').
std::array<std::string, 3> alignment_lines(const structure &first, const structure &second,
                                           const pairing &pairs, const std::vector<char> &in_subset);

// Two aligned sequences: equal lengths, '-' for gaps.
struct sequence_alignment {
    std::string first, second;
};

// Reads a FASTA file of exactly two records (the first for structure 1):
// lines starting with '>' begin a record, other lines are its sequence
// ('-' and '.' are gaps; spaces and line ends ignored; letters of any
// case). Throws error naming the file when it cannot be read, does not
// hold exactly two records, or their lengths differ.
sequence_alignment read_alignment_file(const std::string &path);

// The pairs an alignment makes: the columns where neither sequence has a
// gap. Each record without its gaps must spell that structure's
// atom_sequence (case aside; X matches any letter); otherwise throws error
// naming the structure and the first position that differs.
pairing pair_by_alignment(const structure &first, const structure &second,
                          const sequence_alignment &alignment);

}  // namespace pairfit

#endif
