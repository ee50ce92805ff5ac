// The report pages' parts on hand-made comparisons: plots, clustering,
// page assembly and the all-or-nothing file writer.
#include <dirent.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "output_file.h"
#include "pairfit/compare.h"
#include "report/bar_chart.h"
#include "report/batch_page.h"
#include "report/clustering.h"
#include "report/domain_view.h"
#include "report/heat_map.h"
#include "report/pair_page.h"
#include "report/superposed_file.h"
#include "report/svg.h"
#include "test_util.h"

namespace {

using namespace pairfit;

std::size_t count_of(const std::string &text, const std::string &what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// Chain A residues 1-4 and chain B residues 1-3, the same in both
// structures; pairs 3 and 6 (counting from 1) move.
struct small_comparison {
    structure first, second;
    pairing pairs;
    result r;
    small_comparison() {
        const char *names[] = {"ALA", "GLY", "L<U", "SER", "THR", "VAL", "TYR"};
        for (int i = 0; i < 7; ++i) {
            ca_atom a;
            a.x = i * 3.8;
            a.serial = 10 * i;
            a.atom_name = "CA";
            a.residue_name = names[i];
            a.residue_number = i < 4 ? i + 1 : i - 3;
            a.chain_id = i < 4 ? "A" : "B";
            first.atoms.push_back(a);
            second.atoms.push_back(a);
            pairs.first.push_back(i);
            pairs.second.push_back(i);
        }
        first.source = "one.pdb";
        second.source = "two.pdb";
        r.max_natoms = 7;
        r.npairs = 7;
        r.size = 5;
        r.rms = 0.5;
        r.final_rms = 0.5;
        r.score = 90;
        r.pvalue = 1e-3;
        r.normalised_pvalue = 1;
        r.in_subset = {1, 1, 0, 1, 1, 0, 1};
        r.distances = {0.1, 0.2, 7.5, 0.3, 0.4, 12.0, 0.5};
        r.score_by_size = {0, 0, 30, 0, 70, 90, 80, 60};
        r.transform.translation = {{100, 0, 0}};
    }
};

TEST(ReportSvg, EscapesAndFormats) {
    EXPECT_EQ(escape_xml("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&#39;");
    EXPECT_EQ(json_string("A\"b\\</script>\n"), "\"A\\\"b\\\\\\u003c/script\\u003e\\u000a\"");
    EXPECT_EQ(fixed(-0.0001, 2), "0.00");
    EXPECT_EQ(fixed(2.345, 1), "2.3");
    EXPECT_EQ(scientific(4.334193e-05), "4.334193e-05");
    EXPECT_EQ(scale_colour(0), "#440154");
    EXPECT_EQ(scale_colour(1), "#fde725");
    EXPECT_EQ(scale_colour(7), "#fde725");
    for (auto [low, high, count, step] : std::vector<std::tuple<double, double, int, double>>{
             {0, 10, 5, 2}, {0, 329, 10, 50}, {0, 6.3, 6, 2}, {-12, 0, 5, 5}})
        EXPECT_EQ(tick_step(low, high, count), step) << low << " " << high;
}

// The recorded page below holds the plots and tables; here what it does not
// show: a selection, and library text that would close the script element.
TEST(ReportPairPage, NamesTheSelectionAndKeepsTheScriptClosed) {
    small_comparison c;
    c.second.selection = "//B";
    pair_page_input in{c.first, c.second, c.pairs, pairing_method::sequence, c.r, 3, {}, nullptr, {}};
    const std::string page = pair_page_html(in, "var x = '</script>';");
    EXPECT_NE(page.find("<td>//B</td>"), std::string::npos);
    EXPECT_NE(page.find("var x = '<\\/script>';"), std::string::npos);
    EXPECT_EQ(page.find("http://"), page.find("http://www.w3.org/2000/svg"));
}

// The page of a comparison without domains, chain map given, as recorded
// in tests/expected before the domains came to the page (its plots, tables
// and both structures, the second moved): it must not change.
TEST(ReportPairPage, WithoutDomainsAsBefore) {
    small_comparison c;
    const std::vector<chain_match> map{{"A", "A"}, {"B", ""}};
    pair_page_input in{c.first, c.second, c.pairs, pairing_method::sequence, c.r, 3, {}, nullptr, {}};
    in.chain_map = &map;
    in.warnings = {"a warning"};
    expect_recorded("small_pair_page.html", pair_page_html(in, "var viewer;"));
}

// Domain 1 the best subset, domain 2 pair 3 alone (turned by 90 degrees
// about the z axis and shifted 1.5 A along it), pair 6 in none: the domain
// table, the hinges, the pairs coloured by domain in the plot and the view
// (pair 6 orange), and the axis through (3.8, 1, 0) along z, over the
// atoms' span (all at z = 0) and 5 A more.
TEST(ReportPairPage, DomainsListedColouredAndTheirAxesDrawn) {
    small_comparison c;
    domain_analysis d;
    d.domains.resize(2);
    d.domains[0].pairs = {0, 1, 3, 4, 6};
    d.domains[0].size = 5;
    d.domains[0].rms = 0.5;
    d.domains[0].pvalue = 1e-3;
    d.domains[1].pairs = {2};
    d.domains[1].size = 1;
    d.domains[1].rms = 0.04;
    d.domains[1].pvalue = 0.25;
    d.domains[1].motion.angle = 90;
    d.domains[1].motion.axis_point = {{3.8, 1, 0}};
    d.domains[1].motion.translation = 1.5;
    d.hinges = {{1, 2, 1, 2}, {2, 3, 2, 1}};
    d.domain_of_pair = {1, 1, 2, 1, 1, 0, 1};
    pair_page_input in{c.first, c.second, c.pairs, pairing_method::sequence, c.r, 3, {}, nullptr, {}};
    in.domains = &d;
    expect_recorded("small_pair_page_domains.html", pair_page_html(in, "var viewer;"));
}

TEST(ReportClustering, AverageLinkageMergesAndLeafOrder) {
    // Items on a line at 5, 0, 11 and 1.
    std::vector<double> x{5, 0, 11, 1}, d;
    for (double a : x)
        for (double b : x) d.push_back(std::abs(a - b));
    clustering c = average_linkage(d, 4);
    ASSERT_EQ(c.merges.size(), 3u);
    EXPECT_EQ(c.merges[0].a, 1);
    EXPECT_EQ(c.merges[0].b, 3);
    EXPECT_DOUBLE_EQ(c.merges[0].distance, 1);
    EXPECT_EQ(c.merges[1].a, 0);
    EXPECT_EQ(c.merges[1].b, 4);
    EXPECT_DOUBLE_EQ(c.merges[1].distance, 4.5);
    EXPECT_EQ(c.merges[2].a, 5);
    EXPECT_EQ(c.merges[2].b, 2);
    EXPECT_DOUBLE_EQ(c.merges[2].distance, 9);  // (6 + 10.5 + 10.5) / 3
    EXPECT_EQ(c.order, (std::vector<int>{0, 1, 3, 2}));
    EXPECT_EQ(average_linkage({0}, 1).order, std::vector<int>{0});
}

// Three files, every ordered pair; 2 against 1 failed.
batch_table three_files() {
    batch_table t;
    t.files = {"a.pdb", "b.pdb", "c.pdb"};
    t.all_pairs = true;
    auto values = [](double np) { return "76\t70\t0.5\t1400.0\t1.000000e-05\t" + scientific(np); };
    t.entries = {{0, 1, values(10), "", ""}, {0, 2, values(4), "", ""},
                 {1, 0, values(20), "", ""}, {1, 2, values(30), "", ""},
                 {2, 0, values(6), "", ""},  {2, 1, "", "Couldn't open file b.pdb", ""}};
    return t;
}

TEST(ReportHeatMap, DistancesFromBothDirections) {
    std::vector<double> d = similarity_distances(three_files());
    // Means: a-b 15, a-c 5, b-c 30 (one direction only); the largest is 30.
    EXPECT_EQ(d, (std::vector<double>{0, 15, 25, 15, 0, 0, 25, 0, 0}));
}

// Nine cells (three on the diagonal, one failed) with their titles, the
// rows in cluster order (b and c join first).
TEST(ReportHeatMap, CellForEveryOrderedPairInClusterOrder) {
    batch_table t = three_files();
    std::string svg = heat_map_svg(t);
    expect_recorded("three_files_heat_map.svg", svg);
    // The most similar pair (highest normalised p-value) has the colour at the
    // top of the scale, the least similar the colour at its foot.
    auto cell_of = [&](const std::string &pair) {
        const std::size_t title = svg.find("<title>" + pair + ": ");
        return svg.substr(svg.rfind("<rect", title), title - svg.rfind("<rect", title));
    };
    EXPECT_NE(cell_of("b.pdb against c.pdb").find("fill=\"" + scale_colour(1.0) + "\""), std::string::npos);
    EXPECT_NE(cell_of("a.pdb against c.pdb").find("fill=\"" + scale_colour(0.0) + "\""), std::string::npos);
    // A shard leaves the pairs it did not run empty.
    t.entries.resize(2);
    expect_recorded("three_files_shard_heat_map.svg", heat_map_svg(t));
}

// Ranked, the failed pair last; with one reference the bars are named by
// file 2 alone.
TEST(ReportBarChart, RankedFailedLast) {
    batch_table t = three_files();
    t.all_pairs = false;
    expect_recorded("three_files_bar_chart.svg", bar_chart_svg(t));
    t.entries = {t.entries[0], t.entries[1]};
    expect_recorded("one_reference_bar_chart.svg", bar_chart_svg(t));
}

TEST(ReportBatchPage, HeatMapForAllPairsBarsOtherwise) {
    batch_table t = three_files();
    std::string page = batch_page_html(t, 19);
    EXPECT_EQ(count_of(page, "<svg class=\"heat-map\""), 1u);
    EXPECT_EQ(count_of(page, "<svg class=\"bar-chart\""), 0u);
    EXPECT_EQ(count_of(page, "<tr><td class=\"num\""), 6u);
    t.all_pairs = false;
    page = batch_page_html(t, 19);
    EXPECT_EQ(count_of(page, "<svg class=\"heat-map\""), 0u);
    EXPECT_EQ(count_of(page, "<svg class=\"bar-chart\""), 1u);
}

TEST(ReportBatchTable, ParsesTheSixValues) {
    entry_values v;
    ASSERT_TRUE(parse_values({0, 1, "329\t316\t1.1\t5635.3\t2.492299e-12\t3.341216e+01", "", ""}, &v));
    EXPECT_EQ(v.max_natoms, 329);
    EXPECT_EQ(v.size, 316);
    EXPECT_DOUBLE_EQ(v.normalised_pvalue, 33.41216);
    ASSERT_TRUE(parse_values({0, 1, "0\t0\t0.0\t0.0\t1.000000e+00\t-inf", "", ""}, &v));
    EXPECT_TRUE(std::isinf(v.normalised_pvalue));
    for (const char *bad : {"", "1\t2\t3", "1\t2\t3\t4\t5", "1\t2\t3\t4\t5\t6\t7", "1\t2\t3\t4\t5\tx"})
        EXPECT_FALSE(parse_values({0, 1, bad, "", ""}, &v)) << bad;
    EXPECT_FALSE(parse_values({0, 1, "1\t2\t3\t4\t5\t6", "Couldn't open file x", ""}, &v));
}

TEST(ReportSuperposedFile, FormatByName) {
    for (auto [path, format] :
         std::vector<std::pair<std::string, coordinate_format>>{{"out.cif", coordinate_format::mmcif},
                                                                {"OUT.CIF", coordinate_format::mmcif},
                                                                {"out.pdb", coordinate_format::pdb},
                                                                {"out.cif.gz", coordinate_format::pdb},
                                                                {"cif", coordinate_format::pdb},
                                                                {"out", coordinate_format::pdb}})
        EXPECT_EQ(format_for_path(path), format) << path;
}

TEST(OutputFile, WholeFileOrNothing) {
    std::string dir = temp_path("atomic");
    ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
    std::string target = dir + "/page.html";
    ASSERT_TRUE(write_whole_file(target, "first"));
    ASSERT_TRUE(write_whole_file(target, "second"));
    EXPECT_EQ(read_file(target), "second");
    EXPECT_EQ(entries_of(dir), std::vector<std::string>{"page.html"});
    std::string subdir = dir + "/sub";
    ASSERT_EQ(mkdir(subdir.c_str(), 0755), 0);
    // A directory in the way, a missing directory, an empty name: false, and
    // nothing left behind.
    for (const std::string &bad : {subdir, dir + "/missing/page.html", std::string(""), dir + "/"})
        EXPECT_FALSE(write_whole_file(bad, "x")) << bad;
    std::vector<std::string> left = entries_of(dir);
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"page.html", "sub"}));
    EXPECT_EQ(read_file(target), "second");
    rmdir(subdir.c_str());
    std::remove(target.c_str());
    rmdir(dir.c_str());
}

}  // namespace
