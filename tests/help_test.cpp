// The version both programs print (the usage text is recorded in
// tests/expected/commands/pairfit.txt).
#include <string>

#include "pairfit/version.h"
#include "test_util.h"

TEST(Help, VersionOfBothPrograms) {
    EXPECT_EQ(run_pairfit("--version").out, std::string("pairfit ") + PAIRFIT_VERSION + "\n");
    EXPECT_EQ(run_shell(quote(PAIRFIT_BATCH_BINARY) + " --version").out,
              std::string("pairfit-batch ") + PAIRFIT_VERSION + "\n");
}
