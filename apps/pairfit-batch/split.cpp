#include "split.h"

#include <map>

#include "pairfit/pairfit.h"

std::vector<std::string> split_name(const std::string &name, split_mode mode) {
    if (mode == SPLIT_NONE || !pairfit::parse_structure_name(name).selection.empty()) return {name};
    // Only the models and chains are wanted: no warnings (reading the pieces
    // later reports them), and the fast search's default limit, so that a
    // decompression bomb cannot take all memory (such a file stays whole
    // and its pairs report the error).
    pairfit::read_options options;
    options.max_atoms = pairfit::default_fast_atoms;
    pairfit::structure whole;
    try {
        whole = pairfit::read_structure(name, options);
    } catch (const pairfit::read_error &) {
        return {name};
    }
    std::vector<std::string> pieces;
    for (size_t i = 0; i < whole.atoms.size(); ++i) {
        const pairfit::ca_atom &a = whole.atoms[i];
        std::string piece = name + "@/" + std::to_string(a.model);
        if (mode == SPLIT_CHAINS) piece += "/" + a.chain_id;
        // Atoms of one piece mostly follow each other; a piece seen before
        // (a chain resumed later in its model) is not repeated.
        if (i > 0 && piece == pieces.back()) continue;
        bool seen = false;
        for (const std::string &p : pieces) seen = seen || p == piece;
        if (!seen) pieces.push_back(piece);
    }
    return pieces.empty() ? std::vector<std::string>{name} : pieces;
}

std::vector<std::string> split_names(const std::vector<std::string> &names, split_mode mode) {
    std::vector<std::string> out;
    for (const std::string &name : names) {
        std::vector<std::string> pieces = split_name(name, mode);
        out.insert(out.end(), pieces.begin(), pieces.end());
    }
    return out;
}

namespace {

void add_every_pair(const std::vector<std::string> &a, const std::vector<std::string> &b,
                    std::vector<std::string> *out) {
    for (const std::string &x : a)
        for (const std::string &y : b) {
            out->push_back(x);
            out->push_back(y);
        }
}

}  // namespace

std::vector<std::string> split_pairs(const std::vector<std::string> &names, split_mode mode) {
    // A file listed in many pairs is read once.
    std::map<std::string, std::vector<std::string>> pieces;
    auto pieces_of = [&](const std::string &name) -> const std::vector<std::string> & {
        auto found = pieces.find(name);
        if (found == pieces.end()) found = pieces.emplace(name, split_name(name, mode)).first;
        return found->second;
    };
    std::vector<std::string> out;
    for (size_t i = 0; i + 1 < names.size(); i += 2)
        add_every_pair(pieces_of(names[i]), pieces_of(names[i + 1]), &out);
    return out;
}

std::vector<std::string> split_against_first(const std::vector<std::string> &names, split_mode mode) {
    std::vector<std::string> out;
    if (names.empty()) return out;
    const std::vector<std::string> reference = split_name(names[0], mode);
    for (size_t i = 1; i < names.size(); ++i) add_every_pair(reference, split_name(names[i], mode), &out);
    return out;
}
