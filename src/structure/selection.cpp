#include "pairfit/selection.h"

// Debian's gemmi headers come without the bundled stb_sprintf that
// gemmi's number formatting uses; the selection parser formats numbers only
// when printing a selection, which pairfit never does, so the C library's
// snprintf stands in.
#define USE_STD_SNPRINTF
#include <sys/stat.h>
#include <gemmi/select.hpp>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "structure/selection_parse.h"

namespace pairfit {

namespace {

[[noreturn]] void refuse(const std::string &text, const std::string &path, const std::string &why) {
    throw read_error(read_failure::bad_selection, path,
                     "Bad selection '" + text + "' for file " + path + ": " + why);
}

[[noreturn]] void nothing_matches(const std::string &text, const std::string &path, const std::string &why) {
    throw read_error(read_failure::nothing_selected, path,
                     "Selection '" + text + "' matches no C-alpha atom in file " + path + ": " + why);
}

// The model field of text (between the leading '/' and the next '/' or
// ';'); empty when text starts at the chain.
std::string model_field(const std::string &text) {
    if (text.size() < 2 || text[0] != '/') return std::string();
    size_t end = std::min(text.find('/', 1), text.find(';'));
    return text.substr(1, end == std::string::npos ? std::string::npos : end - 1);
}

// Whether field is an optionally signed run of decimal digits.
bool is_decimal(const std::string &field) {
    size_t start = !field.empty() && (field[0] == '-' || field[0] == '+') ? 1 : 0;
    return field.size() > start && field.find_first_not_of("0123456789", start) == std::string::npos;
}

// The model number field names, checked for overflow: gemmi reads it
// with strtol into an int, which turns 4294967298 into model 2. False
// when the number is outside the int range.
bool model_number(const std::string &field, int *model) {
    errno = 0;
    char *stop;
    long long value = std::strtoll(field.c_str(), &stop, 10);
    if (errno == ERANGE || value > INT_MAX || value < INT_MIN) return false;
    *model = static_cast<int>(value);
    return true;
}

std::vector<std::string> split_list(const std::string &list) {
    std::vector<std::string> items;
    size_t start = 0;
    for (;;) {
        size_t comma = list.find(',', start);
        std::string item = list.substr(start, comma == std::string::npos ? comma : comma - start);
        if (std::find(items.begin(), items.end(), item) == items.end()) items.push_back(item);
        if (comma == std::string::npos) return items;
        start = comma + 1;
    }
}

std::string chain_label(const std::string &id) {
    return id.empty() ? "' ' (blank)" : id;
}

// The distinct values of key over atoms, in order of first appearance.
template <typename Key>
std::vector<Key> distinct(const std::vector<ca_atom> &atoms, Key (*key)(const ca_atom &)) {
    std::vector<Key> seen;
    for (const ca_atom &a : atoms)
        if (std::find(seen.begin(), seen.end(), key(a)) == seen.end()) seen.push_back(key(a));
    return seen;
}

int model_of(const ca_atom &a) {
    return a.model;
}
std::string chain_of(const ca_atom &a) {
    return a.chain_id;
}

std::string joined(const std::vector<std::string> &items) {
    std::string text;
    for (const std::string &item : items) text += (text.empty() ? "" : ", ") + chain_label(item);
    return text;
}

}  // namespace

model_chain_selection parse_selection(const std::string &text, const std::string &path) {
    if (text.empty()) refuse(text, path, "empty selection");
    gemmi::Selection parsed;
    try {
        parsed = gemmi::Selection(text);
    } catch (const std::exception &e) {
        refuse(text, path, e.what());
    }
    const bool residues = !parsed.from_seqid.empty() || !parsed.to_seqid.empty() ||
                          !parsed.residue_names.all || !parsed.entity_types.all;
    const bool atoms = !parsed.atom_names.all || !parsed.elements.empty() || !parsed.altlocs.all ||
                       !parsed.atom_inequalities.empty();
    if (residues || atoms)
        refuse(text, path, "only models and chains can be selected, as in /1, //A or /1/A,B");
    model_chain_selection out;
    out.model = parsed.mdl;
    const std::string field = model_field(text);
    if (is_decimal(field)) {
        out.model_text = field;
        if (!model_number(field, &out.model)) out.model = model_chain_selection::NO_SUCH_MODEL;
        // gemmi takes model 0 for "every model", which a user who wrote /0
        // cannot have meant.
        if (out.model == 0) refuse(text, path, "models are numbered from 1");
    }
    out.all_chains = parsed.chain_ids.all;
    out.inverted = parsed.chain_ids.inverted;
    if (!out.all_chains) out.chains = split_list(parsed.chain_ids.list);
    return out;
}

structure apply_selection(const structure &s, const model_chain_selection &sel, const std::string &text) {
    const std::string &path = s.source;
    if (s.atoms.empty()) nothing_matches(text, path, "the file has no C-alpha atom");
    const std::vector<int> models = distinct(s.atoms, model_of);
    if (sel.model != 0 && std::find(models.begin(), models.end(), sel.model) == models.end()) {
        const auto range = std::minmax_element(models.begin(), models.end());
        nothing_matches(
            text, path,
            "no model " + (sel.model_text.empty() ? std::to_string(sel.model) : sel.model_text) +
                (models.size() == 1
                     ? " (the file has model " + std::to_string(models[0]) + " only)"
                     : " (the file has " + std::to_string(models.size()) + " models, numbered " +
                           std::to_string(*range.first) + " to " + std::to_string(*range.second) + ")"));
    }
    auto in_model = [&](const ca_atom &a) { return sel.model == 0 || a.model == sel.model; };
    auto listed = [&](const ca_atom &a) {
        return std::find(sel.chains.begin(), sel.chains.end(), a.chain_id) != sel.chains.end();
    };

    structure out;
    out.source = s.source;
    out.selection = text;
    if (sel.all_chains || sel.inverted) {
        // Every chain, or every chain but those listed: file order.
        for (const ca_atom &a : s.atoms)
            if (in_model(a) && (sel.all_chains || !listed(a))) out.atoms.push_back(a);
    } else {
        std::vector<ca_atom> kept;
        for (const ca_atom &a : s.atoms)
            if (in_model(a)) kept.push_back(a);
        const std::vector<std::string> present = distinct(kept, chain_of);
        for (const std::string &chain : sel.chains)
            if (std::find(present.begin(), present.end(), chain) == present.end())
                nothing_matches(
                    text, path,
                    "no chain " + chain_label(chain) +
                        (sel.model != 0 ? " in model " + std::to_string(sel.model) : std::string()) +
                        " (chains: " + joined(present) + ")");
        // Model by model in order of first appearance, the chains of each
        // in the order listed.
        for (int model : distinct(kept, model_of))
            for (const std::string &chain : sel.chains)
                for (const ca_atom &a : kept)
                    if (a.model == model && a.chain_id == chain) out.atoms.push_back(a);
    }
    if (out.atoms.empty()) nothing_matches(text, path, "no atom is left in the models and chains selected");
    return out;
}

structure select(const structure &s, const std::string &selection) {
    return apply_selection(s, parse_selection(selection, s.source), selection);
}

structure_name parse_structure_name(const std::string &name) {
    struct stat st;
    if (stat(name.c_str(), &st) == 0) return {name, ""};
    const size_t at = name.rfind('@');
    if (at == std::string::npos || at + 1 == name.size()) return {name, ""};
    const std::string path = name.substr(0, at);
    if (stat(path.c_str(), &st) != 0) return {name, ""};
    return {path, name.substr(at + 1)};
}

std::string display_name(const structure &s) {
    return s.selection.empty() ? s.source : s.source + "@" + s.selection;
}

structure read_named_structure(const std::string &name, const read_options &options) {
    if (!options.selection.empty()) return read_structure(name, options);
    const structure_name parts = parse_structure_name(name);
    read_options named = options;
    named.selection = parts.selection;
    return read_structure(parts.path, named);
}

}  // namespace pairfit
