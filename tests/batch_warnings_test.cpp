// pairfit-batch --warnings: the last column holds, for every pair, the
// warnings pairfit gives for that pair (its JSON document's, or what it
// prints on standard error when it cannot compare), and the column goes
// through --resume.
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "pairfit-batch/row_output.h"
#include "test_util.h"

namespace {

std::string joined(const std::vector<std::string> &warnings) {
    std::string text;
    for (const std::string &w : warnings) text += (text.empty() ? "" : " | ") + w;
    return text;
}

// The warnings pairfit gives for a pair: those of its -json document, or,
// when it compares nothing, the lines it prints on standard error.
std::string pairfit_warnings(const std::string &one, const std::string &two) {
    Scratch document("warnings.json", ""), err("warnings_pairfit_stderr.txt", "");
    std::remove(document.path.c_str());
    run_pairfit("-metrics -json " + quote(document.path) + " " + quote(one) + " " + quote(two) +
                " >/dev/null 2>" + quote(err.path));
    const std::string text = read_file(document.path);
    if (text.empty()) return joined(lines_of(read_file(err.path)));
    return joined(nlohmann::json::parse(text)["warnings"].get<std::vector<std::string>>());
}

// The row without its last field, and that field.
std::pair<std::string, std::string> cut_last(const std::string &row) {
    const size_t tab = row.rfind('\t');
    return {row.substr(0, tab), row.substr(tab + 1)};
}

const std::string NMR = data_file("ubiquitin_1d3z_nmr.pdb.gz"),
                  MODEL1 = data_file("ubiquitin_1d3z_model1.pdb"),
                  MODEL2 = data_file("ubiquitin_1d3z_model2.pdb"),
                  HB4 = data_file("hemoglobin_2hhb_4chains.pdb.gz"),
                  HB_A = data_file("hemoglobin_2hhb_chainA_ca.pdb"),
                  HB_B = data_file("hemoglobin_2hhb_chainB_ca.pdb"),
                  OVERCAP = data_file("overcap_ubiquitin_2k39_ca.pdb.gz");

}  // namespace

// Every kind of warning, in pairfit's words and order, one pair a row; the
// other columns are those of the run without --warnings, byte for byte.
TEST(BatchWarnings, LastColumnHoldsWhatPairfitWarnsForEachPair) {
    // A model with a C-alpha line that cannot be read: the reader's warning.
    Scratch damaged("warnings_damaged.pdb", read_file(MODEL1) + "ATOM   9999  CA  GLY A 999      xx.xxx\n");
    const std::string missing = temp_path("warnings_missing.pdb");
    const std::vector<std::pair<std::string, std::string>> pairs = {
        {NMR, MODEL1},           // several models
        {HB4, HB_A},             // chains merged
        {HB_A, HB_B},            // residues of different names paired by number
        {MODEL1, MODEL2},        // none
        {damaged.path, MODEL2},  // a line skipped
        {missing, MODEL1},       // not compared, no warning
        {MODEL1, OVERCAP},       // not compared: the hint after the atom limit
    };
    std::string list;
    for (const auto &p : pairs) list += p.first + "\t" + p.second + "\n";
    Scratch pair_file("warnings_pairs.txt", list);
    const Outcome plain = batch_run("--metrics -j 2 --pairs " + quote(pair_file.path));
    const Outcome warned = batch_run("--warnings --metrics -j 2 --pairs " + quote(pair_file.path));
    EXPECT_EQ(warned.status, 1);
    EXPECT_EQ(warned.err, plain.err);
    const std::vector<std::string> rows = lines_of(warned.out), plain_rows = lines_of(plain.out);
    ASSERT_EQ(rows.size(), pairs.size() + 1);
    ASSERT_EQ(plain_rows.size(), rows.size());
    EXPECT_EQ(rows[0], plain_rows[0] + "\twarnings");
    for (size_t k = 0; k < pairs.size(); ++k) {
        const auto row = cut_last(rows[k + 1]);
        EXPECT_EQ(row.first, plain_rows[k + 1]);
        EXPECT_EQ(row.second, pairfit_warnings(pairs[k].first, pairs[k].second)) << pairs[k].first;
    }
    // Each kind shows up where it should.
    EXPECT_NE(rows[1].find("10 models read as one structure"), std::string::npos);
    EXPECT_NE(rows[2].find("(A,B,C,D) are merged in file order"), std::string::npos);
    EXPECT_NE(rows[3].find("-struct by structure"), std::string::npos);
    EXPECT_EQ(cut_last(rows[4]).second, "");
    EXPECT_NE(rows[5].find("C-alpha line without a readable residue number"), std::string::npos);
    EXPECT_EQ(cut_last(rows[6]).second, "");
    EXPECT_EQ(cut_last(rows[7]).second.rfind("Hint: -fast compares structures of any size", 0), 0u);
}

TEST(BatchWarnings, ResumedRunEqualsOneRunAndColumnsMustMatch) {
    const std::string args = quote(HB4) + " " + quote(HB_A) + " " + quote(NMR) + " " + quote(MODEL1);
    const Outcome whole = batch_run("--warnings " + args);
    ASSERT_EQ(whole.status, 0);
    const std::vector<std::string> rows = lines_of(whole.out);
    ASSERT_EQ(rows.size(), 4u);
    const std::string part = temp_path("warnings_resumed.tsv");
    // Two rows kept, the third torn in its warnings.
    write_file(part,
               rows[0] + "\n" + rows[1] + "\n" + rows[2] + "\n" + rows[3].substr(0, rows[3].size() - 5));
    Outcome resumed = batch_run("--warnings --resume " + quote(part) + " " + args);
    EXPECT_EQ(std::tie(resumed.out, resumed.status), std::make_tuple(std::string(), 0));
    EXPECT_EQ(read_file(part), whole.out);
    // A row without its warnings field is damaged.
    write_file(part, rows[0] + "\n" + cut_last(rows[1]).first + "\n");
    resumed = batch_run("--warnings --resume " + quote(part) + " " + args);
    EXPECT_EQ(resumed.status, 2);
    EXPECT_NE(resumed.err.find("line 2: the row of pair 1 does not hold 6 numbers or a message"),
              std::string::npos)
        << resumed.err;
    // A file begun with other columns is refused and left as it is.
    const std::string begun = batch_run(args).out;
    write_file(part, begun);
    resumed = batch_run("--warnings --resume " + quote(part) + " " + args);
    EXPECT_EQ(
        std::tie(resumed.err, resumed.status),
        std::make_tuple("pairfit-batch: " + part +
                            ": the header's columns are not this command line's (the run that began the file "
                            "had other --metrics, -domains or --warnings)\n",
                        2));
    EXPECT_EQ(read_file(part), begun);
    std::remove(part.c_str());
}

TEST(BatchWarnings, SeparatorStaysBetweenWarnings) {
    EXPECT_EQ(warnings_field({}), "");
    EXPECT_EQ(warnings_field({"Warning: a", "Warning: b | c\tand\nd"}), "Warning: a | Warning: b / c and d");
    // A name that holds the separator would make the column ambiguous.
    Scratch odd("warnings a | b.pdb", read_file(MODEL1));
    const Outcome refused = batch_run("--warnings " + quote(odd.path) + " " + quote(MODEL2));
    EXPECT_EQ(std::tie(refused.out, refused.status), std::make_tuple(std::string(), 2));
    EXPECT_EQ(refused.err,
              "pairfit-batch: a file name holds ' | ', which separates the warnings of --warnings: '" +
                  odd.path + "'\n");
    EXPECT_EQ(batch_run(quote(odd.path) + " " + quote(MODEL2)).status, 0);
}
