// Whole runs of the binary on real structures against their recorded
// outputs in tests/expected/, byte for byte.
#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "test_util.h"

namespace {

struct Case {
    std::string name, args;
};

void PrintTo(const Case &c, std::ostream *os) {
    *os << c.name;
}

std::vector<Case> load_cases() {
    std::vector<Case> cases;
    std::ifstream in(EXPECTED + "cases.txt");
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#' && line.find(": ") != std::string::npos)
            cases.push_back({line.substr(0, line.find(": ")), line.substr(line.find(": ") + 2)});
    return cases;
}

class RecordedOutput : public ::testing::TestWithParam<Case> {};

TEST_P(RecordedOutput, SameBytes) {
    const Case &c = GetParam();
    const std::string pdb = temp_path(c.name + ".pdb");
    std::remove(pdb.c_str());
    std::string args = expand_data_paths(c.args);
    const bool writes_pdb = args.find("@PDB") != std::string::npos;
    RunResult r = run_pairfit(replace_all(args, "@PDB", pdb) + " 2>/dev/null");
    EXPECT_EQ(r.status, 0);
    expect_recorded(c.name + ".stdout", r.out);
    if (writes_pdb) expect_recorded(c.name + ".pdb", read_file(pdb));
    std::remove(pdb.c_str());
}

// -metrics adds one line at the very end and changes nothing before it.
TEST_P(RecordedOutput, MetricsLineComesLastAndChangesNothingElse) {
    const Case &c = GetParam();
    const std::string pdb = temp_path("metrics_" + c.name + ".pdb");
    std::string args = expand_data_paths(c.args);
    RunResult r = run_pairfit("-metrics " + replace_all(args, "@PDB", pdb) + " 2>/dev/null");
    std::remove(pdb.c_str());
    EXPECT_EQ(r.status, 0);
    const std::size_t last = r.out.rfind("\nMETRICS:\t") + 1;
    ASSERT_NE(last, 0u) << r.out;
    const std::string line = r.out.substr(last);
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 7) << line;
    EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << line;
    EXPECT_EQ(line.find("nan"), std::string::npos) << line;
    expect_recorded(c.name + ".stdout", r.out.substr(0, last), "metrics_");
}

INSTANTIATE_TEST_SUITE_P(Pairs, RecordedOutput, ::testing::ValuesIn(load_cases()), [](const auto &info) {
    std::string id = info.param.name;
    std::replace_if(
        id.begin(), id.end(), [](unsigned char c) { return !std::isalnum(c); }, '_');
    return id;
});

}  // namespace
