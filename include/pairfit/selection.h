// Choosing models and chains of a structure, and naming the choice as
// FILE@SELECTION, the one syntax of the programs and the library.
#ifndef PAIRFIT_PUBLIC_SELECTION_H
#define PAIRFIT_PUBLIC_SELECTION_H

#include <string>

#include "pairfit/structure.h"

namespace pairfit {

// Keeps the atoms of the models and chains that selection names. The text
// is the CCP4/gemmi selection syntax, parsed by gemmi, limited to models and
// chains:
//   /1        model 1, every chain
//   //A       chain A of every model
//   /1/A,B    chains A and B of model 1: the atoms of A, then those of B
//   //!A      every chain but A
//   /1/       the chain with a blank identifier, in model 1
// "*" in either field means all; a text without the leading "/" starts at
// the chain ("A" is "//A"). Without a model, every model is kept, in file
// order. Chains listed come out model by model, in the order listed;
// otherwise atoms keep their file order. The result's selection records
// the text (only the latest one, when select is applied twice).
//
// Throws read_error naming s.source and the selection: bad_selection when
// the text does not parse, is empty, names model 0, or goes beyond models
// and chains (residues, atoms, properties); nothing_selected when the
// model does not exist, a chain listed does not occur in the selected
// models, or nothing is left.
structure select(const structure &s, const std::string &selection);

// A structure named as the programs name it: a file, or FILE@SELECTION.
struct structure_name {
    std::string path;
    std::string selection;  // empty: the whole file
};

// A name that exists as a file is always that file. Otherwise, when the
// part before the last '@' exists as a file and the rest is not empty,
// that part is the file and the rest the selection. Otherwise the whole
// name is the path (and reading it fails as for any missing file).
structure_name parse_structure_name(const std::string &name);

// s named in that syntax: its source, then '@' and its selection if any.
std::string display_name(const structure &s);

// Reads the structure that name stands for, as the programs read their
// arguments: a file, or FILE@SELECTION split as parse_structure_name
// splits it. When options.selection is given, name is taken as a path and
// that selection applies. Otherwise as read_structure (same options, same
// read_error); the result's source is the file's part of the name.
structure read_named_structure(const std::string &name, const read_options &options = {});

}  // namespace pairfit

#endif
