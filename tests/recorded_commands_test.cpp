// Command lines of both programs against their recorded results in
// tests/expected/commands/: each case a bash script run in a scratch
// directory, its whole standard output, standard error and exit status
// compared byte for byte.
//
// A case starts with "[Name]"; "$ " lines make its script (pairfit and
// pairfit-batch are the built programs), "> " and "! " lines (">" and "!"
// alone for an empty line) its standard output and error, "status N" its
// exit status. @D/ is tests/data/, @E/ examples/, @T/ the scratch directory.
#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "test_util.h"

namespace {

const std::string COMMANDS = EXPECTED + "commands/";

struct Case {
    std::string name, script;
    Outcome expected;
};

void PrintTo(const Case &c, std::ostream *os) {
    *os << c.name;
}

std::vector<Case> load_cases() {
    std::vector<Case> cases;
    for (const std::string &file : entries_of(COMMANDS)) {
        std::ifstream in(COMMANDS + file);
        for (std::string line; std::getline(in, line);) {
            const std::string text = line.size() > 2 ? line.substr(2) : "";
            if (line.rfind('[', 0) == 0)
                cases.push_back({line.substr(1, line.size() - 2), "", {"", "", 0}});
            else if (cases.empty() || line.empty() || line[0] == '#')
                continue;
            else if (line.rfind("$ ", 0) == 0)
                cases.back().script += text + "\n";
            else if (line[0] == '>')
                cases.back().expected.out += text + "\n";
            else if (line[0] == '!')
                cases.back().expected.err += text + "\n";
            else if (line.rfind("status ", 0) == 0)
                cases.back().expected.status = std::stoi(line.substr(7));
            else
                ADD_FAILURE() << file << ": a line of no kind: " << line;
        }
    }
    return cases;
}

std::string directory_of(const std::string &path) {
    return path.substr(0, path.rfind('/'));
}

class Commands : public ::testing::TestWithParam<Case> {};

TEST_P(Commands, Run) {
    const Case &c = GetParam();
    const std::string dir = temp_path("commands");
    auto expand = [&](const std::string &text) {
        return replace_all(expand_data_paths(text), "@T/", dir + "/");
    };
    run_shell("rm -rf " + quote(dir) + " && mkdir " + quote(dir));
    const Outcome got =
        run_capturing("cd " + quote(dir) + " && PATH=" + quote(directory_of(PAIRFIT_BINARY)) + ":" +
                      quote(directory_of(PAIRFIT_BATCH_BINARY)) + ":\"$PATH\"\n{\n" + expand(c.script) + "}");
    EXPECT_EQ(got, (Outcome{expand(c.expected.out), expand(c.expected.err), c.expected.status}));
    run_shell("chmod -R u+w " + quote(dir) + "; rm -rf " + quote(dir));
}

INSTANTIATE_TEST_SUITE_P(Recorded, Commands, ::testing::ValuesIn(load_cases()), [](const auto &info) {
    std::string id = info.param.name;
    std::replace_if(
        id.begin(), id.end(), [](unsigned char c) { return !std::isalnum(c); }, '_');
    return id;
});

}  // namespace
