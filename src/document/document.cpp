// The comparison document, built with nlohmann::ordered_json so that its
// members keep the order written here.
#include "pairfit/document.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "pairfit/version.h"

namespace pairfit {

namespace {

using json = nlohmann::ordered_json;

json chains_of(const structure &s) {
    std::vector<std::string> chains;
    for (const ca_atom &a : s.atoms)
        if (std::find(chains.begin(), chains.end(), a.chain_id) == chains.end()) chains.push_back(a.chain_id);
    return chains;
}

json input_of(const structure &s) {
    return json{
        {"file", s.source}, {"selection", s.selection}, {"atoms", s.size()}, {"chains", chains_of(s)}};
}

std::string insertion(const ca_atom &a) {
    return a.insertion_code == ' ' ? "" : std::string(1, a.insertion_code);
}

json pairs_of(const comparison_description &d, const metrics &m) {
    json list = json::array();
    for (std::size_t k = 0; k < d.pairs.size(); ++k) {
        const int i = d.pairs.first[k];
        const ca_atom &a = d.first.atoms[i];
        const ca_atom &b = d.second.atoms[d.pairs.second[k]];
        json p;
        p["chain1"] = a.chain_id;
        p["residue1"] = a.residue_number;
        p["insertion1"] = insertion(a);
        p["name1"] = a.residue_name;
        p["chain2"] = b.chain_id;
        p["residue2"] = b.residue_number;
        p["insertion2"] = insertion(b);
        p["name2"] = b.residue_name;
        p["distance"] = k < d.r.distances.size() ? d.r.distances[k] : 0.0;
        p["in_subset"] = k < d.r.in_subset.size() && d.r.in_subset[k] != 0;
        p["lddt"] = static_cast<std::size_t>(i) < m.residue_lddt.size() ? m.residue_lddt[i] : 0.0;
        list.push_back(std::move(p));
    }
    return list;
}

json metrics_of(const metrics &m) {
    return json{{"tm_score", m.tm_score},
                {"gdt_ts", m.gdt_ts},
                {"gdt_ha", m.gdt_ha},
                {"lddt", m.lddt},
                {"rmsd", m.rmsd},
                {"pairs", m.pairs},
                {"reference_length", m.reference_length}};
}

json transform_of(const rigid_transform &t) {
    json rows = json::array();
    for (const auto &row : t.rotation) rows.push_back(json(row));
    return json{{"rotation", rows}, {"translation", json(t.translation)}};
}

}  // namespace

std::string pairing_method_name(pairing_method method) {
    switch (method) {
    case pairing_method::sequence:
        return "sequence";
    case pairing_method::structure:
        return "structure";
    case pairing_method::alignment:
        return "alignment";
    case pairing_method::residue_number:
        break;
    }
    return "residue_number";
}

std::string document_json(const comparison_description &d) {
    metrics computed;
    std::vector<std::string> warnings = d.warnings;
    if (d.scores == nullptr) {
        computed = compute_metrics(d.first, d.second, d.pairs, d.r);
        if (!computed.warning.empty()) warnings.push_back(computed.warning);
    }
    const metrics &m = d.scores != nullptr ? *d.scores : computed;
    const result &r = d.r;

    json doc;
    doc["program"] = "pairfit";
    doc["version"] = std::string(version);
    doc["inputs"] = json::array({input_of(d.first), input_of(d.second)});
    doc["pairing"] = json{{"method", d.pairing_method}, {"pairs", d.pairs.size()}};
    doc["warnings"] = warnings;
    doc["score"] =
        json{{"atoms", r.max_natoms}, {"size", r.size},     {"rms", r.rms},
             {"score", r.score},      {"pvalue", r.pvalue}, {"normalised_pvalue", r.normalised_pvalue}};
    doc["metrics"] = metrics_of(m);
    doc["pairs"] = pairs_of(d, m);
    doc["transform"] = transform_of(r.transform);
    for (const auto &section : d.sections) {
        json value;
        try {
            value = json::parse(section.second);
        } catch (const json::parse_error &e) {
            throw error("The document section " + section.first + " is not valid JSON: " + e.what());
        }
        json &slot = doc[section.first];
        if (slot.is_object() && value.is_object())
            slot.update(value);
        else
            slot = std::move(value);
    }
    // Names that are not UTF-8 (file names can be anything) are written with replacement characters.
    return doc.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace pairfit
