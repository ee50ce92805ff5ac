// --split: a file stands for each of its models, or each chain of each
// model, named FILE@/M or FILE@/M/C so that rows say what was compared.
#ifndef PAIRFIT_BATCH_SPLIT_H
#define PAIRFIT_BATCH_SPLIT_H

#include <string>
#include <vector>

enum split_mode {
    SPLIT_NONE,    // a name stands for the whole file (or its selection)
    SPLIT_MODELS,  // NAME@/M for every model M, in file order
    SPLIT_CHAINS,  // NAME@/M/C for every chain C of every model M, in file order
};

// The names that name stands for. A name that already carries a selection,
// and a file that cannot be read, stand for themselves (the file's error
// then shows in its rows).
std::vector<std::string> split_name(const std::string &name, split_mode mode);

// Every name in turn replaced by the names it stands for.
std::vector<std::string> split_names(const std::vector<std::string> &names, split_mode mode);

// names holds pairs (names[0] with names[1], names[2] with names[3], ...);
// the result holds, for each pair in turn, every piece of its first name
// with every piece of its second.
std::vector<std::string> split_pairs(const std::vector<std::string> &names, split_mode mode);

// names[0] against each of the others, as pairs: every piece of names[0]
// with every piece of names[1], then of names[2], ...
std::vector<std::string> split_against_first(const std::vector<std::string> &names, split_mode mode);

#endif
