// -sup from an input that hides megabytes of comment, in bounded memory (the
// other hostile paths and inputs: tests/expected/commands/output_files.txt).
#include <sys/resource.h>
#include <sys/wait.h>
#include <zlib.h>

#include "test_util.h"

// A gzip mmCIF file whose second data block holds 192 MB of comment (and
// then a broken text field): -sup reads the first block only, in bounded
// memory, as the comparison does.
TEST(OutputSafety, SuperposedFileReadsCommentPaddedGzipInBoundedMemory) {
    const std::string cif = temp_path("padded.cif.gz"), sup = temp_path("padded_sup.cif");
    std::string first = read_file(data_file("ubiquitin_1ubq_xray.cif")) + "data_second\n";
    gzFile out = gzopen(cif.c_str(), "wb1");
    ASSERT_NE(out, nullptr);
    gzwrite(out, first.data(), static_cast<unsigned>(first.size()));
    std::string lines;
    for (int i = 0; i < 1 << 13; ++i) lines += "# " + std::string(125, '#') + "\n";
    for (int i = 0; i < 192; ++i) gzwrite(out, lines.data(), static_cast<unsigned>(lines.size()));
    const std::string broken = "loop_\n_x.y\n;\nno end to this text field\n";
    gzwrite(out, broken.data(), static_cast<unsigned>(broken.size()));
    gzclose(out);

    pid_t pid = fork();
    if (pid == 0) {
        freopen("/dev/null", "w", stdout);
        execl(PAIRFIT_BINARY, PAIRFIT_BINARY, "-sup", sup.c_str(),
              data_file("ubiquitin_1ubq_xray.pdb").c_str(), cif.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    int status;
    struct rusage usage;
    ASSERT_EQ(wait4(pid, &status, 0, &usage), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_LT(usage.ru_maxrss, 96 * 1024) << "KB";
    EXPECT_NE(read_file(sup).find("_atom_site"), std::string::npos);
    std::remove(cif.c_str());
    std::remove(sup.c_str());
}
