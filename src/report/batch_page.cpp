#include "report/batch_page.h"

#include <vector>

#include "report/bar_chart.h"
#include "report/heat_map.h"
#include "report/html_page.h"
#include "report/svg.h"
#include "score/method_rules.h"

namespace pairfit {

namespace {

// A pair's warnings, one a line.
std::string warnings_html(const std::string &joined) {
    const std::string separator = warnings_separator;
    std::string html;
    size_t start = 0;
    for (size_t end; (end = joined.find(separator, start)) != std::string::npos;
         start = end + separator.size())
        html += escape_xml(joined.substr(start, end - start)) + "<br>";
    return html + escape_xml(joined.substr(start));
}

std::string pair_table(const batch_table &table) {
    std::vector<std::vector<table_cell>> rows;
    for (std::size_t k = 0; k < table.entries.size(); ++k) {
        const batch_entry &e = table.entries[k];
        std::vector<table_cell> row{{std::to_string(k + 1), std::to_string(k + 1)},
                                    {escape_xml(table.files[e.file1]), table.files[e.file1]},
                                    {escape_xml(table.files[e.file2]), table.files[e.file2]}};
        entry_values v;
        if (parse_values(e, &v)) {
            row.push_back({std::to_string(v.size), std::to_string(v.size)});
            row.push_back({fixed(v.rms, 1), fixed(v.rms, 1)});
            row.push_back({fixed(v.score, 1), fixed(v.score, 1)});
            row.push_back({scientific(v.pvalue), scientific(v.pvalue)});
            row.push_back({scientific(v.normalised_pvalue), scientific(v.normalised_pvalue)});
        } else {
            for (int i = 0; i < 5; ++i) row.push_back({i == 0 ? escape_xml(describe_entry(e)) : "", ""});
        }
        if (table.warnings_column) row.push_back({warnings_html(e.warnings), e.warnings});
        rows.push_back(row);
    }
    std::vector<std::string> headings{"row",          "file 1", "file 2",  "size",
                                      "RMS (\u00c5)", "score",  "p-value", "normalised p-value"};
    if (table.warnings_column) headings.push_back("warnings");
    return sortable_table("pair-table", headings, rows);
}

}  // namespace

std::string batch_page_html(const batch_table &table, int min_size) {
    std::string title = "pairfit-batch: " + std::to_string(table.entries.size()) + " pairs of " +
                        std::to_string(table.files.size()) + " files";
    std::string b = "<h1>" + escape_xml(title) + "</h1>\n";
    b +=
        "<p id=\"run-options\">Each pair compared as <code>pairfit " +
        escape_xml(table.options.empty() ? "-min " + std::to_string(min_size) : table.options) +
        " file1 file2</code>" +
        (table.options.empty() ? " (the options of the run are not recorded in its rows: "
                                 "the minimum shown is the default)"
                               : "") +
        "; structures named FILE@SELECTION compare the models and chains selected. The normalised p-value is "
        "\u22121000 (log<sub>10</sub> p + " +
        normalised_pvalue_offset_text() +
        ") divided by the C-alpha "
        "atoms of file 1: the larger, the more alike the two structures. Hover over a cell or bar for the "
        "pair's values.</p>\n";
    if (table.all_pairs) {
        b +=
            "<h2>Normalised p-value, every file against every other</h2>\n<p>Rows: file 1 (the reference), "
            "columns: file 2 (moved onto it). Rows and columns are in the order of an average-linkage "
            "clustering (tree at the right) on the distance S \u2212 s, where s is the mean normalised p-value "
            "of the two directions of a pair and S the largest such mean; grey: the diagonal.</p>\n";
        double low, high;
        heat_map_range(table, &low, &high);
        b += "<p id=\"colour-range\">Colours run from " + fixed(low, 1) + " (lightest) to " + fixed(high, 1) +
             " (darkest)" +
             (table.fixed_scale ? ", the bounds given with --scale; values beyond them take the "
                                  "colour of the bound"
                                : ", the lowest and highest normalised p-value of this run: "
                                  "pages of different runs compare only with --scale LOW:HIGH") +
             ".</p>\n";
        b += heat_map_svg(table);
    } else {
        b += "<h2>Pairs ranked by normalised p-value</h2>\n";
        b += bar_chart_svg(table);
    }
    b +=
        "<h2>All pairs</h2>\n<p>Click a heading to sort.</p>\n<div class=\"scroll\" id=\"pair-table-scroll\">" +
        pair_table(table) + "</div>\n";
    return html_document(title, b);
}

}  // namespace pairfit
