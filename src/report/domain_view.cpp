#include "report/domain_view.h"

#include <algorithm>
#include <array>
#include <limits>

#include "report/svg.h"

namespace pairfit {

namespace {

// Dark shade for structure 1, light for structure 2; the first pair is the
// best subset's, and none is the orange of pairs outside it.
const char *const domain_shades[][2] = {{"#2b6cb0", "#90cdf4"}, {"#38a169", "#9ae6b4"},
                                        {"#d53f8c", "#fbb6ce"}, {"#805ad5", "#d6bcfa"},
                                        {"#319795", "#81e6d9"}, {"#744210", "#d6bc8a"}};
constexpr int shade_count = sizeof domain_shades / sizeof domain_shades[0];

std::string swatch(const std::string &colour) {
    return "<span class=\"swatch\" style=\"background:" + colour + "\"></span>";
}

std::string json_point(const std::array<double, 3> &p) {
    return "[" + fixed(p[0], 3) + "," + fixed(p[1], 3) + "," + fixed(p[2], 3) + "]";
}

}  // namespace

std::string domain_colour(int number, int structure_index) {
    return domain_shades[(number - 1) % shade_count][structure_index];
}

std::string domain_section_html(const structure &first, const pairing &pairs,
                                const domain_analysis &domains) {
    std::string s =
        "<h2>Rigid domains</h2>\n<p>Domain 1 is the best subset; each further domain is the best subset of the "
        "pairs outside the domains before it, kept while its p-value is small enough. Its motion relative to "
        "domain 1 is a turn by the angle about its axis (an arrow of its colour in the 3-D view) and a shift "
        "along that axis; a hinge is where consecutive residues of structure 1 pass from one domain to "
        "another.</p>\n";
    if (domains.domains.empty()) return s + "<p id=\"domains\">No domains: no subset was accepted.</p>\n";
    s +=
        "<table class=\"facts\" id=\"domains\">\n<tr><th></th><th>domain</th><th>pairs</th><th>RMS (\u00c5)</th>"
        "<th>p-value</th><th>angle (\u00b0)</th><th>translation along the axis (\u00c5)</th>"
        "<th>residues of structure 1</th></tr>\n";
    for (std::size_t k = 0; k < domains.domains.size(); ++k) {
        const domain &d = domains.domains[k];
        const int number = static_cast<int>(k) + 1;
        s += "<tr><td>" + swatch(domain_colour(number, 0)) + "</td><td class=\"num\">" +
             std::to_string(number) + "</td><td class=\"num\">" + std::to_string(d.size) +
             "</td><td class=\"num\">" + fixed(d.rms, 1) + "</td><td class=\"num\">" + scientific(d.pvalue) +
             "</td><td class=\"num\">" + fixed(d.motion.angle, 1) + "</td><td class=\"num\">" +
             fixed(d.motion.translation, 1) + "</td><td>" +
             escape_xml(residue_ranges(first, pairs, d.pairs)) + "</td></tr>\n";
    }
    s += "</table>\n";
    if (domains.hinges.empty()) return s + "<p id=\"hinges\">No hinges.</p>\n";
    s +=
        "<table class=\"facts\" id=\"hinges\">\n<tr><th>residue before the hinge</th><th>residue after it</th><th>domain before</th>"
        "<th>domain after</th></tr>\n";
    for (const hinge &h : domains.hinges)
        s += "<tr><td>" + escape_xml(residue_label(first, pairs.first[h.before])) + "</td><td>" +
             escape_xml(residue_label(first, pairs.first[h.after])) + "</td><td class=\"num\">" +
             std::to_string(h.domain_before) + "</td><td class=\"num\">" + std::to_string(h.domain_after) +
             "</td></tr>\n";
    return s + "</table>\n";
}

std::vector<std::string> domain_colour_of_pairs(const domain_analysis &domains) {
    std::vector<std::string> colours;
    for (int number : domains.domain_of_pair) colours.push_back(number > 0 ? domain_colour(number, 0) : "");
    return colours;
}

std::vector<std::string> domain_colour_of_atoms(const domain_analysis &domains, const pairing &pairs,
                                                int structure_index, std::size_t atom_count,
                                                const std::string &unpaired, const std::string &outside) {
    std::vector<std::string> colours(atom_count, unpaired);
    const std::vector<int> &atoms = structure_index == 0 ? pairs.first : pairs.second;
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        const int number = k < domains.domain_of_pair.size() ? domains.domain_of_pair[k] : 0;
        colours[atoms[k]] = number > 0 ? domain_colour(number, structure_index) : outside;
    }
    return colours;
}

std::string domain_axes_json(const structure &first, const domain_analysis &domains) {
    std::string j = "[";
    for (std::size_t k = 1; k < domains.domains.size(); ++k) {
        const screw_motion &m = domains.domains[k].motion;
        const std::array<double, 3> &p = m.axis_point, &u = m.axis_direction;
        double low = std::numeric_limits<double>::max(), high = std::numeric_limits<double>::lowest();
        for (const ca_atom &a : first.atoms) {
            const double along = (a.x - p[0]) * u[0] + (a.y - p[1]) * u[1] + (a.z - p[2]) * u[2];
            low = std::min(low, along);
            high = std::max(high, along);
        }
        if (first.atoms.empty()) low = high = 0;
        low -= 5;
        high += 5;
        const std::array<double, 3> start{{p[0] + low * u[0], p[1] + low * u[1], p[2] + low * u[2]}};
        const std::array<double, 3> end{{p[0] + high * u[0], p[1] + high * u[1], p[2] + high * u[2]}};
        const int number = static_cast<int>(k) + 1;
        j += (k > 1 ? "," : "") + std::string("{\"domain\":") + std::to_string(number) +
             ",\"colour\":" + json_string(domain_colour(number, 0)) + ",\"start\":" + json_point(start) +
             ",\"end\":" + json_point(end) + "}";
    }
    return j + "]";
}

}  // namespace pairfit
