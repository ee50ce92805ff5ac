#include "report/pair_page.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "pairfit/alignment.h"
#include "report/distance_plot.h"
#include "report/domain_view.h"
#include "report/html_page.h"
#include "report/page_assets.h"
#include "report/size_plot.h"
#include "report/svg.h"
#include "score/method_rules.h"

namespace pairfit {

namespace {

// Colours of the 3-D view: [structure][state], state 0 unpaired, 1 paired
// but outside the best subset, 2 in the best subset.
const char *const viewer_colours[2][3] = {{"#a0aec0", "#dd6b20", "#2b6cb0"},
                                          {"#cbd5e0", "#f6ad55", "#90cdf4"}};
const char *const state_names[3] = {"not paired", "outside the best subset", "in the best subset"};
// Colours of mapped chain pairs, in turn; chains without partner are grey.
const char *const chain_colours[] = {"#2b6cb0", "#dd6b20", "#38a169", "#d53f8c", "#805ad5", "#d69e2e",
                                     "#319795", "#e53e3e", "#5a67d8", "#975a16", "#00a3c4", "#718096"};
const char unmatched_chain_colour[] = "#cbd5e0";

std::string percent(int part, int whole) {
    return whole > 0 ? fixed(100.0 * part / whole, 1) + "%" : "no pairs";
}

std::string input_rows(const char *which, const structure &s, const std::string &selection, int paired) {
    std::vector<std::string> seen;
    std::string chains;
    for (const ca_atom &a : s.atoms) {
        std::string c = a.chain_id.empty() ? "(none)" : a.chain_id;
        if (std::find(seen.begin(), seen.end(), c) != seen.end()) continue;
        seen.push_back(c);
        chains += (chains.empty() ? "" : ", ") + c;
    }
    return std::string("<tr><th>") + which + "</th><td><code>" + escape_xml(s.source) + "</code></td><td>" +
           (selection.empty() ? "whole file" : escape_xml(selection)) + "</td><td class=\"num\">" +
           std::to_string(s.size()) + "</td><td>" + escape_xml(chains) + "</td><td class=\"num\">" +
           std::to_string(paired) + "</td></tr>\n";
}

// Per atom of s: the colour of its chain, by the chain's name in colour_of
// (names as chain_names gives them; a name not there is grey).
std::vector<std::string> chain_colour_of_atoms(
    const structure &s, const std::vector<std::pair<std::string, std::string>> &colour_of) {
    const std::vector<std::string> names = chain_names(s);
    std::vector<std::string> colours;
    std::size_t chain = 0;
    for (std::size_t i = 0; i < s.atoms.size(); ++i) {
        if (i > 0 &&
            (s.atoms[i].model != s.atoms[i - 1].model || s.atoms[i].chain_id != s.atoms[i - 1].chain_id))
            ++chain;
        std::string colour = unmatched_chain_colour;
        for (const auto &entry : colour_of)
            if (entry.first == names[chain]) colour = entry.second;
        colours.push_back(colour);
    }
    return colours;
}

// The chain map as a table, each mapped pair with its colour in the 3-D
// view; fills the colour of each chain name of either structure.
std::string chain_map_table(const std::vector<chain_match> &map,
                            std::vector<std::pair<std::string, std::string>> *colours1,
                            std::vector<std::pair<std::string, std::string>> *colours2) {
    std::string t =
        "<h2>Chain map</h2>\n<p>Each chain of structure 1 with the chain of structure 2 it was "
        "mapped to (by sequence similarity and the fit of the whole assembly); residues are paired "
        "within each mapped pair of chains. In the 3-D view both chains of a pair have the colour "
        "shown; chains without partner are grey.</p>\n<table class=\"facts\" id=\"chain-map\">\n"
        "<tr><th></th><th>structure 1</th><th>structure 2</th></tr>\n";
    std::size_t mapped = 0;
    for (const chain_match &m : map) {
        std::string colour = unmatched_chain_colour;
        if (!m.chain2.empty()) {
            colour = chain_colours[mapped++ % (sizeof chain_colours / sizeof chain_colours[0])];
            colours2->emplace_back(m.chain2, colour);
        }
        colours1->emplace_back(m.chain1, colour);
        t += "<tr><td><span class=\"swatch\" style=\"background:" + colour + "\"></span></td><td>" +
             escape_xml(m.chain1) + "</td><td>" + (m.chain2.empty() ? "none" : escape_xml(m.chain2)) +
             "</td></tr>\n";
    }
    return t + "</table>\n";
}

// The atoms of one structure for the 3-D view: x, y, z, label, residue
// number, residue name, chain, model, state, and, when colours are given,
// the atom's colour; coordinates moved by move.
std::string atoms_json(const structure &s, const std::vector<int> &state, const rigid_transform *move,
                       const std::vector<std::string> &colours) {
    std::string j = "[";
    for (std::size_t i = 0; i < s.atoms.size(); ++i) {
        const ca_atom &a = s.atoms[i];
        std::array<double, 3> p{{a.x, a.y, a.z}};
        if (move != nullptr) p = move->apply(p);
        j += (i ? ",[" : "[") + fixed(p[0], 3) + "," + fixed(p[1], 3) + "," + fixed(p[2], 3) + "," +
             json_string(residue_label(a)) + "," + std::to_string(a.residue_number) + "," +
             json_string(a.residue_name) + "," + json_string(a.chain_id) + "," + std::to_string(a.model) +
             "," + std::to_string(state[i]) + (colours.empty() ? "" : "," + json_string(colours[i])) + "]";
    }
    return j + "]";
}

std::string words(const pair_page_input &in) {
    const result &r = in.r;
    std::string s = "<table class=\"facts\">\n";
    s += "<tr><th>SCORE line</th><td><code id=\"score-line\">SCORE:\t" + escape_xml(score_values(r)) +
         "</code></td></tr>\n";
    s += "<tr><th>atoms</th><td>" + std::to_string(r.max_natoms) +
         ": the larger of the two counts of C-alpha atoms read</td></tr>\n";
    if (r.size > 0) {
        s += "<tr><th>best subset</th><td><span id=\"subset-size\">" + std::to_string(r.size) +
             "</span> of the " + std::to_string(r.npairs) + " pairs (" + percent(r.size, r.npairs) +
             ") superpose as one rigid body. The other " + std::to_string(r.npairs - r.size) +
             " pairs lie outside the best subset.</td></tr>\n";
        s +=
            "<tr><th>RMS</th><td>" + fixed(r.rms, 1) + " \u00c5 (" + fixed(r.final_rms, 4) +
            " \u00c5 after the final fit): the root mean square distance between the subset's paired C-alpha "
            "atoms once structure 2 is superposed on structure 1 over the subset</td></tr>\n";
        s +=
            "<tr><th>score</th><td>" + fixed(r.score, 1) +
            ": the Levitt-Gerstein score of the subset, 20 times the sum over its pairs of 1 / (1 + d\u00b2 / 5) "
            "with d in \u00c5; a pair adds 20 when it coincides and less the farther apart it is</td></tr>\n";
        s += "<tr><th>p-value</th><td>" + scientific(r.pvalue) +
             ": how likely a subset of this size scores this high by chance; the smaller, the more "
             "significant</td></tr>\n";
    } else {
        s += "<tr><th>best subset</th><td><span id=\"subset-size\">0</span>: no subset of more than " +
             std::to_string(in.min_size) +
             " pairs was accepted, so no pair is marked as in the best subset</td></tr>\n";
    }
    s += "<tr><th>normalised p-value</th><td>" + scientific(r.normalised_pvalue) +
         ": \u22121000 (log<sub>10</sub> p + " + normalised_pvalue_offset_text() + ") divided by the " +
         std::to_string(in.first.size()) +
         " C-alpha atoms of structure 1, so that proteins of different sizes compare; the larger, the more "
         "significant</td></tr>\n";
    return s + "</table>\n";
}

std::string pair_table(const pair_page_input &in) {
    std::vector<std::vector<table_cell>> rows;
    std::vector<std::string> classes;
    for (std::size_t k = 0; k < in.pairs.size(); ++k) {
        const ca_atom &a1 = in.first.atoms[in.pairs.first[k]], &a2 = in.second.atoms[in.pairs.second[k]];
        bool subset = in.r.in_subset[k] != 0;
        double d = in.r.distances[k];
        const bool far = subset && d > far_in_subset;
        rows.push_back({{std::to_string(k + 1), std::to_string(k + 1)},
                        {escape_xml(residue_label(a1)), std::to_string(k)},
                        {escape_xml(residue_label(a2)), std::to_string(k)},
                        {fixed(d, 3), fixed(d, 6)},
                        {escape_xml(subset_state(subset, d)), far      ? "2"
                                                              : subset ? "1"
                                                                       : "0"}});
        classes.push_back(far ? "in far" : subset ? "in" : "");
    }
    return sortable_table("pair-table", {"pair", "structure 1", "structure 2", "distance (\u00c5)", "subset"},
                          rows, classes);
}

const char *pairing_words(pairing_method method) {
    switch (method) {
    case pairing_method::sequence:
        return " pairs by sequence alignment";
    case pairing_method::structure:
        return " pairs by structural alignment";
    case pairing_method::alignment:
        return " pairs from the alignment given";
    default:
        return " pairs by residue number";
    }
}

// The alignment the pairs make, as pairfit -aln prints it, in blocks of
// 60 columns: structure 1, the marks (':' in the best subset, '.' other
// pairs), structure 2.
std::string alignment_block(const pair_page_input &in) {
    const std::array<std::string, 3> lines = alignment_lines(in.first, in.second, in.pairs, in.r.in_subset);
    std::string b =
        "<h2>Alignment</h2>\n<p>Structure 1 above, structure 2 below; ':' marks pairs in the best "
        "subset, '.' the other pairs, '-' a gap.</p>\n<pre id=\"alignment\">";
    const size_t width = 60;
    for (size_t start = 0; start < lines[0].size(); start += width) {
        if (start > 0) b += "\n";
        for (const std::string &line : lines) b += escape_xml(line.substr(start, width)) + "\n";
    }
    return b + "</pre>\n";
}

// The four standard scores, each with what it measures in one line.
std::string standard_scores(const metrics &m) {
    const struct {
        const char *id, *name;
        double value;
        const char *meaning;
    } rows[] = {
        {"tm-score", "TM-score", m.tm_score,
         "fold similarity over the best superposition, 0 to 1, each pair weighted by its distance (above 0.5: "
         "the same fold)"},
        {"gdt-ts", "GDT-TS", m.gdt_ts,
         "share of structure 1's residues within 1, 2, 4 and 8 \u00c5 of their partners, averaged, each at its "
         "best superposition"},
        {"gdt-ha", "GDT-HA", m.gdt_ha, "the same within 0.5, 1, 2 and 4 \u00c5: high accuracy"},
        {"lddt", "lDDT", m.lddt,
         "share of structure 1's C-alpha distances under 15 \u00c5 that the partners keep within 0.5, 1, 2 and "
         "4 \u00c5, without any superposition"},
    };
    std::string s = "<table class=\"facts\" id=\"metrics\">\n";
    for (const auto &row : rows)
        s += std::string("<tr><th>") + row.name + "</th><td><span class=\"num\" id=\"" + row.id + "\">" +
             fixed(row.value, 4) + "</span>: " + row.meaning + "</td></tr>\n";
    s += "</table>\n<p>All four count structure 1's " + std::to_string(m.reference_length) +
         " C-alpha atoms (" + std::to_string(m.pairs) +
         " paired), so its unpaired residues count against structure 2. RMSD of all " +
         "pairs after their own fit: " + fixed(m.rmsd, 3) + " \u00c5.";
    if (!m.warning.empty()) s += " " + escape_xml(m.warning) + ".";
    return s + "</p>\n";
}

// The warnings of the run, in a box that cannot be missed.
std::string warning_box(const std::vector<std::string> &warnings) {
    if (warnings.empty()) return std::string();
    std::string s = "<div class=\"warnings\" id=\"warnings\" role=\"alert\">\n";
    for (const std::string &w : warnings) s += "<p>" + escape_xml(w) + "</p>\n";
    return s + "</div>\n";
}

// The residues of s outside the best subset (paired or not), as ranges of
// consecutive atoms per chain: "chain A: 1-4, 60, 71-76".
std::string outside_ranges(const structure &s, const std::vector<int> &state) {
    bool several_models = false;
    for (const ca_atom &a : s.atoms) several_models = several_models || a.model != s.atoms[0].model;
    auto place = [&](const ca_atom &a) {
        std::string name = a.chain_id.empty() ? std::string("no chain") : "chain " + a.chain_id;
        return several_models ? "model " + std::to_string(a.model) + ", " + name : name;
    };
    auto number = [](const ca_atom &a) {
        std::string n = std::to_string(a.residue_number);
        return a.insertion_code != ' ' ? n + a.insertion_code : n;
    };
    std::vector<std::pair<std::string, std::string>> groups;  // place, its ranges
    for (std::size_t i = 0; i < s.atoms.size(); ++i) {
        if (state[i] == 2) continue;
        std::size_t end = i;
        while (end + 1 < s.atoms.size() && state[end + 1] != 2 &&
               place(s.atoms[end + 1]) == place(s.atoms[i]))
            ++end;
        const std::string range =
            end == i ? number(s.atoms[i]) : number(s.atoms[i]) + "\u2013" + number(s.atoms[end]);
        if (groups.empty() || groups.back().first != place(s.atoms[i]))
            groups.push_back({place(s.atoms[i]), range});
        else
            groups.back().second += ", " + range;
        i = end;
    }
    if (groups.empty()) return "none";
    std::string text;
    for (const auto &g : groups) text += (text.empty() ? "" : "; ") + g.first + ": " + g.second;
    return escape_xml(text);
}

}  // namespace

std::string pair_page_html(const pair_page_input &in, std::string_view viewer_js) {
    const result &r = in.r;
    std::string title = "pairfit: " + in.first.source + " against " + in.second.source;
    std::string b = "<h1>" + escape_xml(title) + "</h1>\n" + warning_box(in.warnings);
    b +=
        "<h2>Inputs</h2>\n<table class=\"facts\" id=\"inputs\">\n<tr><th></th><th>file</th><th>selection</th>"
        "<th>C-alpha atoms read</th><th>chains</th><th>paired</th></tr>\n";
    b += input_rows("structure 1 (reference)", in.first, in.first.selection, r.npairs);
    b += input_rows("structure 2 (moved onto 1)", in.second, in.second.selection, r.npairs);
    b += "</table>\n<p>" + std::to_string(r.npairs) + pairing_words(in.method) +
         ". A best subset must have more than " + std::to_string(in.min_size) + " pairs.</p>\n";
    b += alignment_block(in);
    std::vector<std::pair<std::string, std::string>> chain_colours1, chain_colours2;
    if (in.chain_map != nullptr) b += chain_map_table(*in.chain_map, &chain_colours1, &chain_colours2);
    b += "<h2>Result</h2>\n" + words(in);
    if (in.scores != nullptr) b += "<h2>Standard scores</h2>\n" + standard_scores(*in.scores);
    std::vector<int> state1(in.first.size(), 0), state2(in.second.size(), 0);
    for (std::size_t k = 0; k < in.pairs.size(); ++k)
        state1[in.pairs.first[k]] = state2[in.pairs.second[k]] = in.r.in_subset[k] ? 2 : 1;
    int far = 0;
    for (std::size_t k = 0; k < in.pairs.size(); ++k)
        far += in.r.in_subset[k] && in.r.distances[k] > far_in_subset;
    b +=
        "<p id=\"outside\">Residues outside the best subset (not paired, or paired and outside):<br>structure 1: " +
        outside_ranges(in.first, state1) + "<br>structure 2: " + outside_ranges(in.second, state2) + "</p>\n";
    if (far > 0)
        b +=
            "<p id=\"far-pairs\">" + std::to_string(far) + (far == 1 ? " pair" : " pairs") +
            " in the best subset lie farther apart than " + fixed(far_in_subset, 0) +
            " \u00c5 after the fit: the score counts them little, yet the subset holds them (marked in red in "
            "the plot and the table).</p>\n";

    if (in.domains != nullptr) b += domain_section_html(in.first, in.pairs, *in.domains);

    b += "<h2>Distance of each pair after the best fit</h2>\n<p class=\"key\">";
    if (in.domains == nullptr) {
        b += "<span class=\"in\"></span>in the best subset<span class=\"out\"></span>outside it";
    } else {
        for (std::size_t k = 0; k < in.domains->domains.size(); ++k)
            b += "<span style=\"background:" + domain_colour(static_cast<int>(k) + 1, 0) +
                 "\"></span>domain " + std::to_string(k + 1) + (k == 0 ? " (the best subset)" : "");
        b += "<span class=\"out\"></span>in no domain";
    }
    b += "; red ring: in the subset but farther apart than 5 \u00c5; "
         "dashed red: 5 \u00c5; dashed grey: chain boundaries. Hover over a point for its residues.</p>\n";
    b += distance_plot_svg(
        in.first, in.second, in.pairs, r,
        in.domains != nullptr ? domain_colour_of_pairs(*in.domains) : std::vector<std::string>());
    if (in.scores != nullptr) {
        b += "<h2>lDDT of each residue</h2>\n<p>Per residue of structure 1: the share of its distances "
             "under 15 \u00c5 that structure 2 keeps (1: all kept; dashed: 0.7); grey: not paired, 0.</p>\n";
        b += lddt_plot_svg(in.first, in.second, in.pairs, r, in.scores->residue_lddt);
    }
    b += "<h2>Best score by subset size</h2>\n<p>For each size, the highest score of any subset the search "
         "scored, and its p-value (log scale). The red line marks the size chosen: the one with the smallest "
         "p-value. Shaded: sizes at or below the minimum." +
         std::string(in.every_size_scored ? ""
                                          : " The fast search scores only the subsets that could beat the "
                                            "best one found so far: sizes it did not score are left out.") +
         "</p>\n";
    b += size_plot_svg(r, in.min_size);

    b +=
        "<h2>3-D view, superposed on the best subset</h2>\n<p>C-alpha traces in structure 1's frame, structure 2 "
        "moved onto it. Drag to turn, scroll to zoom, hover for residues.";
    std::string colour_json = "[";
    for (int s = 0; s < 2; ++s) {
        b += "<br>structure " + std::to_string(s + 1) + ":";
        for (int k = 2; k >= 0; --k)
            b += std::string("<span class=\"swatch\" style=\"background:") + viewer_colours[s][k] +
                 "\"></span>" + state_names[k];
        colour_json += std::string(s ? ",[" : "[") + "\"" + viewer_colours[s][0] + "\",\"" +
                       viewer_colours[s][1] + "\",\"" + viewer_colours[s][2] + "\"]";
    }
    if (in.domains != nullptr)
        b +=
            "<br>Coloured here by domain instead, as in the list of domains (lighter in structure 2), pairs in no "
            "domain as outside the best subset; each further domain's screw axis is an arrow of its colour, "
            "the turn right-handed about it.";
    else if (in.chain_map != nullptr)
        b += "<br>Coloured here by chain instead: each mapped pair of chains alike, as in the chain map.";
    b += "</p>\n<div id=\"viewer\" data-colours='" + colour_json + "]'" +
         (in.domains != nullptr ? " data-axes='" + domain_axes_json(in.first, *in.domains) + "'" : "") +
         "></div>\n";
    std::vector<std::string> atom_colours1, atom_colours2;
    if (in.domains != nullptr) {
        atom_colours1 = domain_colour_of_atoms(*in.domains, in.pairs, 0, in.first.size(),
                                               viewer_colours[0][0], viewer_colours[0][1]);
        atom_colours2 = domain_colour_of_atoms(*in.domains, in.pairs, 1, in.second.size(),
                                               viewer_colours[1][0], viewer_colours[1][1]);
    } else if (in.chain_map != nullptr) {
        atom_colours1 = chain_colour_of_atoms(in.first, chain_colours1);
        atom_colours2 = chain_colour_of_atoms(in.second, chain_colours2);
    }
    b += "<script type=\"application/json\" id=\"structure-data\">[" +
         atoms_json(in.first, state1, nullptr, atom_colours1) + "," +
         atoms_json(in.second, state2, &r.transform, atom_colours2) + "]</script>\n";

    b += "<h2>All pairs</h2>\n<p>Click a heading to sort, for instance by distance.</p>\n" + pair_table(in);

    // The viewer library goes in as it is, except that no "</script" may
    // end its element early.
    std::string js(viewer_js);
    for (std::size_t at = js.find("</script"); at != std::string::npos; at = js.find("</script", at + 2))
        js.replace(at, 2, "<\\/");
    b += "<script>\n" + js + "\n</script>\n<script>" + viewer_setup_script(in.domains != nullptr) +
         "</script>\n";
    return html_document(title, b);
}

}  // namespace pairfit
