#include "report/distance_plot.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "report/svg.h"

namespace pairfit {

namespace {

constexpr double width = 960, height = 320;
constexpr double left = 56, right = 16, top = 28, bottom = 44;
constexpr double gap = 14;  // between the runs of two chains

// Consecutive points whose structure 1 atoms share chain and model and rise
// in residue number.
struct run {
    std::size_t first_point, end_point;
    int low, high;  // residue numbers
    double x0 = 0, x1 = 0;
};

// One point of a plot: an atom of structure 1, its value, its classes and
// the text of its title.
struct point {
    int atom;
    double value;
    std::string classes, title;
    std::string style = {};  // the circle's style attribute, if any
};

std::vector<run> chain_runs(const structure &first, const std::vector<point> &points) {
    std::vector<run> runs;
    for (std::size_t k = 0; k < points.size(); ++k) {
        const ca_atom &a = first.atoms[points[k].atom];
        bool same = false;
        if (!runs.empty()) {
            const ca_atom &b = first.atoms[points[k - 1].atom];
            same = a.chain_id == b.chain_id && a.model == b.model && a.residue_number >= b.residue_number;
        }
        if (same) {
            runs.back().end_point = k + 1;
            runs.back().high = a.residue_number;
        } else {
            runs.push_back({k, k + 1, a.residue_number, a.residue_number});
        }
    }
    return runs;
}

// Spreads the runs over the plot's width in proportion to their spans of
// residue numbers.
void place_runs(std::vector<run> &runs) {
    double total = 0;
    for (const run &r : runs) total += r.high - r.low + 1;
    double usable = width - left - right - gap * (runs.size() > 0 ? runs.size() - 1 : 0);
    double x = left;
    for (run &r : runs) {
        double w = usable * (r.high - r.low + 1) / total;
        r.x0 = x;
        r.x1 = x + w;
        x += w + gap;
    }
}

std::string run_name(const ca_atom &a, bool several_models) {
    std::string name = a.chain_id.empty() ? std::string("no chain") : "chain " + a.chain_id;
    if (several_models) name = "model " + std::to_string(a.model) + ", " + name;
    return name;
}

// What a plot shows: one value a point along structure 1's residue
// numbers, from low to high, and a dashed line at limit.
struct plot_kind {
    const char *svg_class, *title, *axis_label;
    double low, high, limit;
    const char *limit_label;
};

std::string value_plot(const structure &first, const std::vector<point> &points, const plot_kind &kind) {
    std::vector<run> runs = chain_runs(first, points);
    place_runs(runs);
    const double low = kind.low, high = kind.high;
    linear_axis y{low, high, height - bottom, top};

    std::string s = std::string("<svg class=\"") + kind.svg_class +
                    "\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + fixed(width, 0) + " " +
                    fixed(height, 0) + "\" role=\"img\">\n";
    s += std::string("<title>") + kind.title + "</title>\n";
    // Value axis, grid and the dashed line.
    double step = tick_step(low, high, 6);
    for (double v = low; v <= high + 1e-9; v += step) {
        std::string yy = fixed(y(v), 1);
        s += "<line class=\"grid\" x1=\"" + fixed(left, 0) + "\" x2=\"" + fixed(width - right, 0) +
             "\" y1=\"" + yy + "\" y2=\"" + yy + "\"/><text class=\"tick\" x=\"" + fixed(left - 6, 0) +
             "\" y=\"" + yy + "\" dy=\"0.35em\" text-anchor=\"end\">" + fixed(v, step < 1 ? 1 : 0) +
             "</text>\n";
    }
    std::string y5 = fixed(y(kind.limit), 1);
    s += "<line class=\"limit\" x1=\"" + fixed(left, 0) + "\" x2=\"" + fixed(width - right, 0) + "\" y1=\"" +
         y5 + "\" y2=\"" + y5 + "\"><title>" + kind.limit_label +
         "</title></line><text class=\"limit-label\" x=\"" + fixed(width - right - 2, 0) + "\" y=\"" + y5 +
         "\" dy=\"-0.3em\" text-anchor=\"end\">" + kind.limit_label + "</text>\n";
    s += "<text class=\"axis-label\" transform=\"translate(14," + fixed((top + height - bottom) / 2, 0) +
         ") rotate(-90)\" text-anchor=\"middle\">" + kind.axis_label + "</text>\n";
    s += "<text class=\"axis-label\" x=\"" + fixed((left + width - right) / 2, 0) + "\" y=\"" +
         fixed(height - 6, 0) + "\" text-anchor=\"middle\">residue number in structure 1</text>\n";

    bool several_models = false;
    for (const ca_atom &a : first.atoms) several_models = several_models || a.model != first.atoms[0].model;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const run &rn = runs[i];
        linear_axis x{rn.low - 0.5, rn.high + 0.5, rn.x0, rn.x1};
        const ca_atom &head = first.atoms[points[rn.first_point].atom];
        if (i > 0) {
            std::string bx = fixed(rn.x0 - gap / 2, 1);
            s += "<line class=\"chain-boundary\" x1=\"" + bx + "\" x2=\"" + bx + "\" y1=\"" +
                 fixed(top - 14, 0) + "\" y2=\"" + fixed(height - bottom, 0) + "\"/>\n";
        }
        s += "<text class=\"chain-label\" x=\"" + fixed(rn.x0 + 2, 1) + "\" y=\"" + fixed(top - 6, 0) +
             "\">" + escape_xml(run_name(head, several_models)) + "</text>\n";
        int count = std::max(2, static_cast<int>((rn.x1 - rn.x0) / 45));
        double xs = std::max(1.0, tick_step(rn.low, rn.high, count));
        for (double v = std::ceil(rn.low / xs) * xs; v <= rn.high; v += xs)
            s += "<text class=\"tick\" x=\"" + fixed(x(v), 1) + "\" y=\"" + fixed(height - bottom + 14, 0) +
                 "\" text-anchor=\"middle\">" + fixed(v, 0) + "</text>\n";
        for (std::size_t k = rn.first_point; k < rn.end_point; ++k) {
            const point &p = points[k];
            s += "<circle class=\"" + p.classes + (p.style.empty() ? "" : "\" style=\"" + p.style) +
                 "\" cx=\"" + fixed(x(first.atoms[p.atom].residue_number), 1) + "\" cy=\"" +
                 fixed(y(p.value), 1) + "\" r=\"2.6\"><title>" + escape_xml(p.title) + "</title></circle>\n";
        }
    }
    s += "<line class=\"axis\" x1=\"" + fixed(left, 0) + "\" x2=\"" + fixed(left, 0) + "\" y1=\"" +
         fixed(top, 0) + "\" y2=\"" + fixed(height - bottom, 0) + "\"/>\n";
    s += "</svg>\n";
    return s;
}

}  // namespace

std::string residue_label(const ca_atom &atom) {
    std::string label = atom.residue_name + " " + std::to_string(atom.residue_number);
    if (atom.insertion_code != ' ') label += atom.insertion_code;
    if (!atom.chain_id.empty()) label += " " + atom.chain_id;
    return label;
}

std::string subset_state(bool in_subset, double distance) {
    if (!in_subset) return "outside the subset";
    if (distance > far_in_subset) return "in the subset, " + fixed(distance, 2) + " \u00c5 apart";
    return "in the subset";
}

std::string distance_plot_svg(const structure &first, const structure &second, const pairing &pairs,
                              const result &r, const std::vector<std::string> &pair_colours) {
    double max_distance = 6;
    for (double d : r.distances) max_distance = std::max(max_distance, d * 1.05);
    std::vector<point> points;
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        const bool in = r.in_subset[k] != 0;
        const double distance = r.distances[k];
        const bool far = in && distance > far_in_subset;
        points.push_back({pairs.first[k], distance,
                          std::string("pair ") + (in ? "in" : "out") + (far ? " far" : ""),
                          residue_label(first.atoms[pairs.first[k]]) + " / " +
                              residue_label(second.atoms[pairs.second[k]]) + ": " +
                              (far ? subset_state(true, distance)
                                   : fixed(distance, 2) + " \u00c5, " + subset_state(in, distance))});
        const std::string colour = k < pair_colours.size() ? pair_colours[k] : "";
        if (!colour.empty()) points.back().style = "fill:" + colour + (in ? "" : ";stroke:" + colour);
    }
    const plot_kind kind{"distance-plot",
                         "Distance of each pair after the best fit",
                         "distance after fit (\u00c5)",
                         0,
                         max_distance,
                         5,
                         "5 \u00c5"};
    return value_plot(first, points, kind);
}

std::string lddt_plot_svg(const structure &first, const structure &second, const pairing &pairs,
                          const result &r, const std::vector<double> &residue_lddt) {
    std::vector<int> pair_of(first.size(), -1);
    for (std::size_t k = 0; k < pairs.size(); ++k) pair_of[pairs.first[k]] = static_cast<int>(k);
    std::vector<point> points;
    for (std::size_t i = 0; i < first.size(); ++i) {
        const double value = i < residue_lddt.size() ? residue_lddt[i] : 0.0;
        const int k = pair_of[i];
        if (k < 0) {
            points.push_back({static_cast<int>(i), value, "residue unpaired",
                              residue_label(first.atoms[i]) + ": " + fixed(value, 3) + ", not paired"});
            continue;
        }
        const bool in = r.in_subset[k] != 0;
        points.push_back({static_cast<int>(i), value, std::string("pair ") + (in ? "in" : "out"),
                          residue_label(first.atoms[i]) + " / " +
                              residue_label(second.atoms[pairs.second[k]]) + ": " + fixed(value, 3) + ", " +
                              subset_state(in, r.distances[k])});
    }
    const plot_kind kind{"lddt-plot", "lDDT of each residue of structure 1", "lDDT", 0, 1, 0.7, "0.7"};
    return value_plot(first, points, kind);
}

}  // namespace pairfit
