#include "named_structure.h"

#include <cstdio>
#include <exception>
#include <thread>
#include <vector>

pairfit::structure read_named_structure(const std::string &name, std::size_t max_atoms,
                                        const pairfit::warning_handler &on_warning) {
    pairfit::read_options options;
    options.max_atoms = max_atoms;
    options.on_warning = on_warning;
    return pairfit::read_named_structure(name, options);
}

const char ATOM_LIMIT_HINT[] =
    "Hint: -fast compares structures of any size, and FILE@/1 or FILE@//A compares one model or chain of the file";

bool atom_limit_hint_applies(const pairfit::read_error &e, std::size_t max_atoms) {
    return e.kind() == pairfit::read_failure::too_many_atoms && max_atoms == pairfit::max_exact_atoms;
}

std::size_t atom_limit(bool fast, long requested) {
    const std::size_t limit = fast ? pairfit::default_fast_atoms : pairfit::max_exact_atoms;
    if (requested <= 0) return limit;
    const std::size_t wanted = static_cast<std::size_t>(requested);
    return fast || wanted < limit ? wanted : limit;
}

void print_warning(const std::string &message, std::vector<std::string> *printed) {
    std::fprintf(stderr, "%s\n", message.c_str());
    if (printed != nullptr) printed->push_back(message);
}

pairfit::structure read_named_structure(const std::string &name, std::size_t max_atoms,
                                        std::vector<std::string> *printed) {
    return read_named_structure(name, max_atoms,
                                [printed](const std::string &m) { print_warning(m, printed); });
}

void read_named_pair(const std::string &name1, const std::string &name2, std::size_t max_atoms,
                     bool in_parallel, pairfit::structure *first, pairfit::structure *second,
                     std::vector<std::string> *printed) {
    if (!in_parallel) {
        *first = read_named_structure(name1, max_atoms, printed);
        *second = read_named_structure(name2, max_atoms, printed);
        return;
    }
    std::vector<std::string> held;
    std::exception_ptr failure;
    std::thread reader([&] {
        try {
            *second =
                read_named_structure(name2, max_atoms, [&held](const std::string &m) { held.push_back(m); });
        } catch (...) {
            failure = std::current_exception();
        }
    });
    try {
        *first = read_named_structure(name1, max_atoms, printed);
    } catch (...) {
        reader.join();
        throw;
    }
    reader.join();
    for (const std::string &message : held) print_warning(message, printed);
    if (failure) std::rethrow_exception(failure);
}

bool is_selection_error(const pairfit::read_error &e) {
    return e.kind() == pairfit::read_failure::bad_selection ||
           e.kind() == pairfit::read_failure::nothing_selected;
}

std::string pairing_warning(const pairfit::structure &first, const pairfit::structure &second,
                            const pairfit::pairing &pairs, pairfit::pairing_method method) {
    // Structural and given alignments pair unlike residues by design.
    if (method == pairfit::pairing_method::structure || method == pairfit::pairing_method::alignment)
        return std::string();
    std::string warning = pairfit::residue_name_warning(first, second, pairs);
    if (warning.empty()) return warning;
    if (method == pairfit::pairing_method::residue_number)
        return warning +
               "; residues are paired by number: -seq pairs them by sequence, -struct by "
               "structure, and FILE@//A compares chain A alone";
    return warning +
           "; residues are paired by sequence: are these the chains meant? "
           "FILE@//A compares chain A alone";
}

std::vector<std::string> printed_warnings(const pairfit::structure &first, const pairfit::structure &second,
                                          const pairfit::pairing &pairs, pairfit::pairing_method method) {
    std::vector<std::string> warnings;
    for (const std::string &w :
         {pairfit::several_models_warning(first), pairfit::several_models_warning(second),
          pairing_warning(first, second, pairs, method)})
        if (!w.empty()) warnings.push_back(w);
    return warnings;
}

std::vector<std::string> unprinted_warnings(const pairfit::structure &first,
                                            const pairfit::structure &second) {
    std::vector<std::string> warnings;
    for (const std::string &w :
         {pairfit::merged_chains_warning(first), pairfit::merged_chains_warning(second)})
        if (!w.empty()) warnings.push_back(w);
    return warnings;
}
