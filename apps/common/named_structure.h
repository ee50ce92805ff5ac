// Structures as both programs name them on their command lines and in
// their lists: FILE or FILE@SELECTION.
#ifndef PAIRFIT_APPS_NAMED_STRUCTURE_H
#define PAIRFIT_APPS_NAMED_STRUCTURE_H

#include <string>
#include <vector>

#include "pairfit/pairfit.h"

// Reads the structure that name stands for (see
// pairfit::parse_structure_name), refusing more than max_atoms C-alpha
// atoms. Warnings go to standard error and, when printed is given, are
// appended to it too. Throws pairfit::read_error.
pairfit::structure read_named_structure(const std::string &name,
                                        std::size_t max_atoms = pairfit::max_exact_atoms,
                                        std::vector<std::string> *printed = nullptr);

// The same, each warning handed to on_warning only.
pairfit::structure read_named_structure(const std::string &name, std::size_t max_atoms,
                                        const pairfit::warning_handler &on_warning);

// The most C-alpha atoms to read a structure: requested (-max-atoms; 0
// when not given) or the mode's default (pairfit::default_fast_atoms with
// the fast search), never more than the exact search holds without it.
std::size_t atom_limit(bool fast, long requested);

// Reads the two structures of a comparison, in turn or, with in_parallel,
// at the same time: the output is the same either way (the second one's
// warnings wait until the first is read, and when both fail the first's
// error is the one thrown).
void read_named_pair(const std::string &name1, const std::string &name2, std::size_t max_atoms,
                     bool in_parallel, pairfit::structure *first, pairfit::structure *second,
                     std::vector<std::string> *printed = nullptr);

// The hint printed after the message about a file of more C-alpha atoms
// than the limit, and whether it applies to e: only at the exact search's
// own limit (max_atoms), not at one lowered with -max-atoms or the fast
// search's, whose users know the limit.
extern const char ATOM_LIMIT_HINT[];
bool atom_limit_hint_applies(const pairfit::read_error &e, std::size_t max_atoms);

// Prints message on standard error, appending it to printed when given.
void print_warning(const std::string &message, std::vector<std::string> *printed = nullptr);

// Whether e is about the selection rather than the file. The programs
// print these on standard error; the older read errors keep standard output.
bool is_selection_error(const pairfit::read_error &e);

// The library's warning about paired residues of different names, with a
// hint at what to try on the command line; empty when there is none.
std::string pairing_warning(const pairfit::structure &first, const pairfit::structure &second,
                            const pairfit::pairing &pairs, pairfit::pairing_method method);

// The warnings about a comparison that the programs print on standard
// error: several models in a structure, then residues of different names
// paired (pairing_warning).
std::vector<std::string> printed_warnings(const pairfit::structure &first, const pairfit::structure &second,
                                          const pairfit::pairing &pairs, pairfit::pairing_method method);

// The warnings that the report page, the JSON document and pairfit-batch
// --warnings show after the printed ones, without printing them (a
// multi-chain complex compared whole is a common, deliberate run): chains
// merged in file order.
std::vector<std::string> unprinted_warnings(const pairfit::structure &first,
                                            const pairfit::structure &second);

#endif
