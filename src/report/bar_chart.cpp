#include "report/bar_chart.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "report/heat_map.h"
#include "report/svg.h"

namespace pairfit {

namespace {

constexpr double width = 900, label_width = 300, bar_height = 18, top = 28, bottom = 16;

struct ranked {
    const batch_entry *entry;
    bool ok;
    double value;  // normalised p-value
};

}  // namespace

std::string bar_chart_svg(const batch_table &table) {
    std::vector<ranked> bars;
    bool one_reference = true;
    for (const batch_entry &e : table.entries) {
        entry_values v;
        bool ok = parse_values(e, &v) && std::isfinite(v.normalised_pvalue);
        bars.push_back({&e, ok, ok ? v.normalised_pvalue : 0});
        one_reference = one_reference && e.file1 == table.entries.front().file1;
    }
    // Equal values keep the order of the run (entries lie in run order).
    std::sort(bars.begin(), bars.end(), [](const ranked &a, const ranked &b) {
        if (a.ok != b.ok) return a.ok;
        if (a.ok && a.value != b.value) return a.value > b.value;
        return a.entry < b.entry;
    });
    // The axis includes 0; the colours spread over the values found.
    double low = 0, high = 1e-9, least = 0, most = 0;
    bool any = false;
    for (const ranked &b : bars)
        if (b.ok) {
            low = std::min(low, b.value), high = std::max(high, b.value);
            least = any ? std::min(least, b.value) : b.value;
            most = any ? std::max(most, b.value) : b.value;
            any = true;
        }
    linear_axis x{low, high, label_width, width - 70};
    double height = top + bars.size() * bar_height + bottom;

    std::string s = "<svg class=\"bar-chart\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " +
                    fixed(width, 0) + " " + fixed(height, 0) + "\" role=\"img\">\n";
    s += "<title>Pairs ranked by normalised p-value</title>\n";
    if (one_reference && !table.entries.empty())
        s += "<text class=\"axis-label\" x=\"4\" y=\"14\">against " +
             escape_xml(table.files[table.entries.front().file1]) + "</text>\n";
    s += "<text class=\"axis-label\" x=\"" + fixed(width - 70, 0) +
         "\" y=\"14\" text-anchor=\"end\">normalised p-value</text>\n";
    for (std::size_t k = 0; k < bars.size(); ++k) {
        const batch_entry &e = *bars[k].entry;
        double y = top + k * bar_height;
        std::string name = one_reference
                               ? short_name(table.files[e.file2])
                               : short_name(table.files[e.file1]) + " / " + short_name(table.files[e.file2]);
        std::string title = escape_xml(table.files[e.file1]) + " against " +
                            escape_xml(table.files[e.file2]) + ": " + escape_xml(describe_entry(e));
        s += "<text class=\"row-label\" x=\"" + fixed(label_width - 6, 0) + "\" y=\"" +
             fixed(y + bar_height / 2, 1) + "\" dy=\"0.35em\" text-anchor=\"end\"><title>" + title +
             "</title>" + std::to_string(k + 1) + ". " + escape_xml(name) + "</text>\n";
        if (!bars[k].ok) {
            s += "<text class=\"failed-label\" x=\"" + fixed(label_width + 4, 0) + "\" y=\"" +
                 fixed(y + bar_height / 2, 1) + "\" dy=\"0.35em\"><title>" + title +
                 "</title>not compared</text>\n";
            continue;
        }
        double x1 = x(std::min(0.0, bars[k].value)), x2 = x(std::max(0.0, bars[k].value));
        double t = most > least ? (bars[k].value - least) / (most - least) : 1.0;
        s += "<rect class=\"bar\" x=\"" + fixed(x1, 1) + "\" y=\"" + fixed(y + 2, 1) + "\" width=\"" +
             fixed(std::max(x2 - x1, 1.0), 1) + "\" height=\"" + fixed(bar_height - 4, 1) + "\" fill=\"" +
             scale_colour(t) + "\"><title>" + title + "</title></rect>\n";
        s += "<text class=\"tick\" x=\"" + fixed(x2 + 4, 1) + "\" y=\"" + fixed(y + bar_height / 2, 1) +
             "\" dy=\"0.35em\">" + fixed(bars[k].value, 2) + "</text>\n";
    }
    std::string zero = fixed(x(0), 1);
    s += "<line class=\"axis\" x1=\"" + zero + "\" x2=\"" + zero + "\" y1=\"" + fixed(top, 0) + "\" y2=\"" +
         fixed(height - bottom, 0) + "\"/>\n";
    s += "</svg>\n";
    return s;
}

}  // namespace pairfit
