// Warnings about structures that will not pair as a user may expect: the
// library's texts.
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
