// What the parts of the extension module _pairfit share: the Python-side
// objects that hold library values, and the functions that register each
// part with the module.
#ifndef PAIRFIT_PYTHON_BINDINGS_H
#define PAIRFIT_PYTHON_BINDINGS_H

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <pybind11/pybind11.h>

#include "pairfit/pairfit.h"

namespace pairfit_python {

namespace py = pybind11;

// A structure as Python sees it: immutable and shared, so that results can
// keep the structures they came from, and worker threads can read them
// without the GIL.
struct py_structure {
    std::shared_ptr<const pairfit::structure> value;
};

// A structure read from a file, and the reader's warnings about skipped
// lines (emitted later through Python's warnings module on the calling
// thread).
struct read_outcome {
    py_structure structure;
    std::vector<std::string> warnings;
};

// Reads without touching Python (so without the GIL): any thread may call
// it. Without a selection, name may be FILE@SELECTION as the programs take
// it (a name that exists as a file is always that file). More than
// max_atoms C-alpha atoms is a TooManyAtomsError.
read_outcome read_file(const std::string &name, const std::string &selection = "",
                       std::size_t max_atoms = pairfit::max_exact_atoms);

// Emits warnings of the category named (pairfit.ReaderWarning,
// pairfit.PairingWarning) on the calling thread, which holds the GIL,
// attributed to the Python frame stacklevel levels up (1: the function
// calling the extension).
void emit_warnings(const std::vector<std::string> &messages, int stacklevel,
                   const char *category = "ReaderWarning");

// How the atoms of the two structures are paired.
struct pairing_choice {
    enum kind_t { by_number, by_sequence, by_structure, explicit_pairs, by_alignment } kind = by_number;
    pairfit::pairing pairs;                 // explicit_pairs only
    pairfit::sequence_alignment alignment;  // by_alignment only
    // Map the chains of structures with several chains first (by number or
    // by sequence within each mapped pair of chains).
    bool map_chains = false;
};

pairfit::pairing make_pairing(const pairing_choice &choice, const pairfit::structure &first,
                              const pairfit::structure &second);

// One comparison's result with what it refers to, and the library's
// warnings about it as pairfit gives them.
struct py_result {
    pairfit::result value;
    pairfit::pairing pairs;
    std::shared_ptr<const pairfit::structure> first, second;
    // Emitted as PairingWarning: several models read whole (structure 1,
    // then 2), residues of different names paired.
    std::vector<std::string> pairing_warnings;
    // In the document only, as pairfit does not print them: chains merged
    // in file order.
    std::vector<std::string> merged_chains;
    std::string pairing_method;  // as the document names it
    // The standard scores, when asked for (compare(..., metrics=True)).
    std::shared_ptr<const pairfit::metrics> scores;
    // With a chain map: one entry per chain of structure 1; second is then
    // structure 2 with its chains in mapped order.
    std::optional<std::vector<pairfit::chain_match>> chain_map;
    // The rigid domains, when asked for (compare(..., domains=True)).
    std::shared_ptr<const pairfit::domain_analysis> domains;
};

// Compares without touching Python unless options.observer does.
py_result compare_structures(pairfit::workspace &ws, const py_structure &first, const py_structure &second,
                             const pairing_choice &pairing, const pairfit::compare_options &options);

void bind_errors(py::module_ &m);
void bind_structure(py::module_ &m);
void bind_compare(py::module_ &m);
void bind_many(py::module_ &m);

}  // namespace pairfit_python

#endif
