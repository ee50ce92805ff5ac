#include "report/heat_map.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "report/svg.h"

namespace pairfit {

namespace {

constexpr double label_width = 200, tree_width = 110, legend_height = 50;

}  // namespace

std::string short_name(const std::string &path) {
    constexpr std::size_t longest = 28;
    if (path.size() <= longest) return path;
    return "\u2026" + path.substr(path.size() - (longest - 1));
}

std::vector<double> similarity_distances(const batch_table &table) {
    std::size_t n = table.files.size();
    std::vector<double> sum(n * n, 0.0);
    std::vector<int> count(n * n, 0);
    for (const batch_entry &e : table.entries) {
        entry_values v;
        if (!parse_values(e, &v) || e.file1 == e.file2 || !std::isfinite(v.normalised_pvalue)) continue;
        for (std::size_t cell : {e.file1 * n + e.file2, e.file2 * n + e.file1}) {
            sum[cell] += v.normalised_pvalue;
            ++count[cell];
        }
    }
    double largest = -std::numeric_limits<double>::infinity();
    for (std::size_t c = 0; c < n * n; ++c)
        if (count[c] > 0) largest = std::max(largest, sum[c] / count[c]);
    std::vector<double> distances(n * n, 0.0);
    double farthest = 0;
    for (std::size_t c = 0; c < n * n; ++c)
        if (count[c] > 0) {
            distances[c] = largest - sum[c] / count[c];
            farthest = std::max(farthest, distances[c]);
        }
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j)
            if (i != j && count[i * n + j] == 0) distances[i * n + j] = farthest;
    return distances;
}

void heat_map_range(const batch_table &table, double *low, double *high) {
    if (table.fixed_scale) {
        *low = table.scale_low;
        *high = table.scale_high;
        return;
    }
    *low = std::numeric_limits<double>::infinity();
    *high = -*low;
    for (const batch_entry &e : table.entries) {
        entry_values v;
        if (parse_values(e, &v) && std::isfinite(v.normalised_pvalue)) {
            *low = std::min(*low, v.normalised_pvalue);
            *high = std::max(*high, v.normalised_pvalue);
        }
    }
}

std::string heat_map_svg(const batch_table &table) {
    int n = static_cast<int>(table.files.size());
    clustering tree = average_linkage(similarity_distances(table), n);
    std::vector<int> position(n);
    for (int p = 0; p < n; ++p) position[tree.order[p]] = p;

    // The entry of each ordered pair, and the range of values for colour.
    std::vector<const batch_entry *> cell(static_cast<std::size_t>(n) * n, nullptr);
    for (const batch_entry &e : table.entries) cell[static_cast<std::size_t>(e.file1) * n + e.file2] = &e;
    double low, high;
    heat_map_range(table, &low, &high);
    double size = std::max(10.0, std::min(32.0, 640.0 / std::max(n, 1)));
    double top = label_width, x0 = label_width;
    double grid = size * n;
    double width = x0 + grid + 8 + tree_width + 16, height = top + grid + legend_height;
    // Drawn at its own size at most: cells stay cells on a wide screen.
    std::string s = "<svg class=\"heat-map\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " +
                    fixed(width, 0) + " " + fixed(height, 0) + "\" style=\"max-width:" + fixed(width, 0) +
                    "px;overflow:visible\" role=\"img\">\n";
    s += "<title>Normalised p-value of every pair, rows: file 1, columns: file 2</title>\n";
    for (int p = 0; p < n; ++p) {
        const std::string &name = table.files[tree.order[p]];
        double mid = p * size + size / 2;
        s += "<text class=\"row-label\" x=\"" + fixed(x0 - 6, 1) + "\" y=\"" + fixed(top + mid, 1) +
             "\" dy=\"0.35em\" text-anchor=\"end\"><title>" + escape_xml(name) + "</title>" +
             escape_xml(short_name(name)) + "</text>\n";
        s += "<text class=\"column-label\" transform=\"translate(" + fixed(x0 + mid, 1) + "," +
             fixed(top - 6, 1) + ") rotate(-60)\" dy=\"0.35em\"><title>" + escape_xml(name) + "</title>" +
             escape_xml(short_name(name)) + "</text>\n";
    }
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c) {
            int i = tree.order[r], j = tree.order[c];
            const batch_entry *e = cell[static_cast<std::size_t>(i) * n + j];
            entry_values v;
            std::string cls = "cell", fill, what;
            if (i == j) {
                cls += " self";
                what = "the same file";
            } else if (e == nullptr) {
                cls += " missing";
                what = "not compared in this run";
            } else if (!parse_values(*e, &v)) {
                cls += " failed";
                what = describe_entry(*e);
            } else {
                double t =
                    high > low ? std::clamp((v.normalised_pvalue - low) / (high - low), 0.0, 1.0) : 1.0;
                fill = " fill=\"" + scale_colour(t) + "\"";
                what = describe_entry(*e);
            }
            s += "<rect class=\"" + cls + "\" x=\"" + fixed(x0 + c * size, 1) + "\" y=\"" +
                 fixed(top + r * size, 1) + "\" width=\"" + fixed(size, 1) + "\" height=\"" + fixed(size, 1) +
                 "\"" + fill + "><title>" + escape_xml(table.files[i]) + " against " +
                 escape_xml(table.files[j]) + ": " + escape_xml(what) + "</title></rect>\n";
        }

    // The tree beside the rows: each merge at its distance, leaves at the grid.
    double max_distance = 1e-9;
    for (const merge_step &m : tree.merges) max_distance = std::max(max_distance, m.distance);
    // Leaves start a little left of distance 0, so that files 0 apart
    // still show their branch.
    linear_axis tx{0, max_distance, x0 + grid + 14, x0 + grid + 8 + tree_width};
    std::vector<double> node_x(2 * n, x0 + grid + 6), node_y(2 * n, 0);
    for (int p = 0; p < n; ++p) node_y[tree.order[p]] = top + p * size + size / 2;
    s += "<g class=\"tree\">\n";
    for (std::size_t k = 0; k < tree.merges.size(); ++k) {
        const merge_step &m = tree.merges[k];
        double x = tx(m.distance);
        int id = n + static_cast<int>(k);
        node_x[id] = x;
        node_y[id] = (node_y[m.a] + node_y[m.b]) / 2;
        s += "<path d=\"M" + fixed(node_x[m.a], 1) + " " + fixed(node_y[m.a], 1) + "H" + fixed(x, 1) + "V" +
             fixed(node_y[m.b], 1) + "H" + fixed(node_x[m.b], 1) + "\"><title>joined at distance " +
             fixed(m.distance, 2) + "</title></path>\n";
    }
    s += "</g>\n";

    // Colour legend under the grid.
    if (high >= low) {
        double ly = top + grid + 16, lw = std::min(grid, 240.0);
        s += "<defs><linearGradient id=\"scale\">";
        for (int k = 0; k <= 4; ++k)
            s += "<stop offset=\"" + fixed(k / 4.0, 2) + "\" stop-color=\"" + scale_colour(k / 4.0) + "\"/>";
        s += "</linearGradient></defs>\n";
        s += "<rect class=\"legend\" x=\"" + fixed(x0, 1) + "\" y=\"" + fixed(ly, 1) + "\" width=\"" +
             fixed(lw, 1) + "\" height=\"10\" fill=\"url(#scale)\"/>\n";
        s += "<text class=\"tick\" x=\"" + fixed(x0, 1) + "\" y=\"" + fixed(ly + 24, 1) + "\">" +
             fixed(low, 1) + "</text><text class=\"tick\" x=\"" + fixed(x0 + lw, 1) + "\" y=\"" +
             fixed(ly + 24, 1) + "\" text-anchor=\"end\">" + fixed(high, 1) + "</text>\n";
        s += "<text class=\"axis-label\" x=\"" + fixed(x0 + lw + 10, 1) + "\" y=\"" + fixed(ly + 9, 1) +
             "\">normalised p-value</text>\n";
    }
    s += "</svg>\n";
    return s;
}

}  // namespace pairfit
