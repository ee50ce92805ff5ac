// Warnings about structures that will not pair as a user may expect: the
// library's texts, and where pairfit prints them.
#include <string>

#include "pairfit/pairfit.h"
#include "test_util.h"

namespace {

pairfit::structure read_named(const std::string &file, const std::string &selection = "") {
    pairfit::read_options options;
    options.selection = selection;
    return pairfit::read_structure(data_file(file), options);
}

}  // namespace

TEST(Warnings, SeveralModelsAndMergedChainsOnlyWhereTheyApply) {
    const std::string nmr = data_file("ubiquitin_1d3z_nmr.pdb.gz"),
                      hb = data_file("hemoglobin_2hhb_4chains.pdb.gz");
    EXPECT_EQ(pairfit::several_models_warning(read_named("ubiquitin_1d3z_nmr.pdb.gz")),
              "Warning: " + nmr +
                  " holds 10 models read as one structure, of which only the first can pair; " + nmr +
                  "@/M compares model M alone, and pairfit-batch --split models compares every model");
    // Chain A of every model is still every model.
    EXPECT_NE(pairfit::several_models_warning(read_named("ubiquitin_1d3z_nmr.cif.gz", "//A")), "");
    EXPECT_EQ(pairfit::several_models_warning(read_named("ubiquitin_1d3z_nmr.pdb.gz", "/2")), "");
    EXPECT_EQ(pairfit::merged_chains_warning(read_named("ubiquitin_1d3z_nmr.pdb.gz")), "");

    EXPECT_EQ(pairfit::merged_chains_warning(read_named("hemoglobin_2hhb_4chains.pdb.gz", "/1")),
              "Warning: the chains of " + hb +
                  "@/1 (A,B,C,D) are merged in file order and compared as one; " + hb +
                  "@//A compares chain A alone");
    EXPECT_NE(pairfit::merged_chains_warning(read_named("hemoglobin_2hhb_4chains.pdb.gz", "/1/*")), "");
    // Chains a selection lists are merged as asked.
    for (const char *listed : {"/1/A,B", "//B", "C"})
        EXPECT_EQ(pairfit::merged_chains_warning(read_named("hemoglobin_2hhb_4chains.pdb.gz", listed)), "")
            << listed;
    EXPECT_EQ(pairfit::several_models_warning(read_named("hemoglobin_2hhb_4chains.pdb.gz")), "");
}

TEST(Warnings, PairfitPrintsTheModelsWarningAndTheSizeHintOnStandardError) {
    const std::string nmr = quote(data_file("ubiquitin_1d3z_nmr.pdb.gz")),
                      model1 = quote(data_file("ubiquitin_1d3z_model1.pdb"));
    const RunResult out = run_pairfit(nmr + " " + model1 + " 2>/dev/null"),
                    err = run_pairfit(nmr + " " + model1 + " 2>&1 >/dev/null");
    EXPECT_EQ(out.out, "SCORE:\t760\t76\t0.0\t1520.0\t3.727127e-05\t5.023455e+00\n");
    EXPECT_EQ(err.out.rfind("Warning: " + data_file("ubiquitin_1d3z_nmr.pdb.gz") + " holds 10 models", 0), 0u)
        << err.out;
    EXPECT_EQ(run_pairfit(nmr + "@/3 " + model1 + " 2>&1 >/dev/null").out, "");

    const std::string overcap = data_file("overcap_ubiquitin_2k39_ca.pdb.gz");
    const RunResult both = run_pairfit(quote(overcap) + " " + model1 + " 2>&1");
    EXPECT_EQ(both.out,
              "Too many C-alpha atoms in file " + overcap +
                  " (at most 5000)\nHint: -fast compares structures of any size, and FILE@/1 or FILE@//A "
                  "compares one model or chain of the file\n");
    EXPECT_EQ(both.status, 1);
    // A limit the user set is known to the user: no hint, in either program.
    const RunResult lowered = run_pairfit("-max-atoms 10 " + model1 + " " + model1 + " 2>&1");
    EXPECT_EQ(lowered.out,
              "Too many C-alpha atoms in file " + data_file("ubiquitin_1d3z_model1.pdb") + " (at most 10)\n");
    const RunResult row = run_shell(quote(PAIRFIT_BATCH_BINARY) + " --warnings -max-atoms 10 " + model1 +
                                    " " + model1 + " 2>/dev/null | tail -n 1");
    EXPECT_EQ(row.out, data_file("ubiquitin_1d3z_model1.pdb") + "\t" +
                           data_file("ubiquitin_1d3z_model1.pdb") + "\tToo many C-alpha atoms in file " +
                           data_file("ubiquitin_1d3z_model1.pdb") + " (at most 10)\t\n");
}
