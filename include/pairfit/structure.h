// A structure as pairfit reads it: the C-alpha atoms of a PDB or mmCIF
// file (plain or gzip-compressed), in file order, across all chains and
// models unless a selection keeps some models and chains only.
#ifndef PAIRFIT_PUBLIC_STRUCTURE_H
#define PAIRFIT_PUBLIC_STRUCTURE_H

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace pairfit {

// The capacity of one comparison in the default (exact) mode, and so the
// default limit of the readers.
constexpr std::size_t max_exact_atoms = 5000;

// The default limit of the fast search, which has no capacity of its own:
// a file of more C-alpha atoms (a decompression bomb, say) is refused
// rather than allowed to take all memory. Callers may raise it.
constexpr std::size_t default_fast_atoms = 4000000;

// Every failure the library reports is an error; its text is the message
// the command-line programs print.
class error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class read_failure {
    cannot_open,       // "Couldn't open file PATH"
    unreadable,        // "Error reading file PATH": a read error, corrupt data, bad mmCIF
    too_many_atoms,    // "Too many C-alpha atoms in file PATH (at most N)"
    bad_selection,     // the selection does not parse, or selects more than models and chains
    nothing_selected,  // the selection matches no C-alpha atom of the file
    out_of_memory,     // "Out of memory reading file PATH"
};

class read_error : public error {
public:
    read_error(read_failure kind, const std::string &path, const std::string &message)
        : error(message), kind_(kind), path_(path) {}
    read_failure kind() const { return kind_; }
    const std::string &path() const { return path_; }

private:
    read_failure kind_;
    std::string path_;
};

struct ca_atom {
    double x = 0.0, y = 0.0, z = 0.0;  // Angstrom, as in the file
    int serial = 0;                    // atom serial number
    std::string atom_name;             // "CA"
    std::string residue_name;          // with the alternate-location letter in front, if any
    int residue_number = 0;
    char insertion_code = ' ';  // ' ' when none
    // PDB column 22 (empty when blank); mmCIF auth_asym_id, or
    // label_asym_id only where auth_asym_id is missing or null.
    std::string chain_id;
    // PDB: the number of the MODEL record before the atom; mmCIF:
    // pdbx_PDB_model_num. 1 in a file without models.
    int model = 1;
};

struct structure {
    std::string source;          // the path it was read from, as given
    std::string selection;       // the selection applied; empty: none
    std::vector<ca_atom> atoms;  // in file order, or in the order of a selection's chains
    std::size_t size() const { return atoms.size(); }
};

// Receives one message a call (without a line end) about a line or row
// that was skipped.
using warning_handler = std::function<void(const std::string &message)>;

struct read_options {
    // More C-alpha atoms (after the selection, if any): too_many_atoms.
    std::size_t max_atoms = max_exact_atoms;
    warning_handler on_warning;  // empty: warnings are dropped
    // Models and chains to keep, as select() takes them (see
    // pairfit/selection.h): "/1" model 1, "//A" chain A of every model,
    // "/1/A,B" chains A then B of model 1. Empty: the whole file.
    std::string selection;
};

// Reads the C-alpha atoms of the file at path; the format (PDB or mmCIF)
// and compression are told by content. A file without any C-alpha atom
// reads as an empty structure, with a warning. Throws read_error; a
// selection that does not parse is refused before the file is opened.
structure read_structure(const std::string &path, const read_options &options = {});

}  // namespace pairfit

#endif
