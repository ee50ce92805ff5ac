// pairfit's files against hostile paths and inputs: a target already open
// as standard output or error, a dangling link, reasons for failures, -sup
// from inputs that cannot be read twice or hide megabytes of comment, the
// atom limit, and degenerate geometry.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <zlib.h>

#include "pairfit-batch/row_output.h"
#include "test_util.h"

namespace {

const std::string UBQ1 = data_file("ubiquitin_1d3z_model1.pdb");
const std::string UBQ2 = data_file("ubiquitin_1d3z_model2.pdb");

std::string pairfit_cmd() {
    return quote(PAIRFIT_BINARY) + " ";
}

std::string score_of(const std::string &args) {
    return run_pairfit(args + " 2>/dev/null").out;
}

// 40 C-alpha atoms on a line through the origin in direction d.
std::string line_pdb(double dx, double dy, double dz) {
    std::string text;
    char row[100];
    for (int i = 0; i < 40; ++i) {
        std::snprintf(row, sizeof row, "ATOM  %5d  CA  ALA A%4d    %8.3f%8.3f%8.3f  1.00  0.00           C\n",
                      i + 1, i + 1, 1.5 * i * dx, 1.5 * i * dy, 1.5 * i * dz);
        text += row;
    }
    return text;
}

}  // namespace

// A file path that is already standard output or error gets the file's
// text after what was printed there; the SCORE line stays.
TEST(OutputSafety, TargetOpenAsStandardOutputIsWrittenInPlace) {
    const std::string out = temp_path("in_place.txt");
    const std::string pair = quote(UBQ1) + " " + quote(UBQ2);
    const std::string score = score_of(pair);
    ASSERT_EQ(score.compare(0, 6, "SCORE:"), 0);
    const std::string pdb = temp_path("in_place_ref.pdb");
    run_pairfit("-pdb " + quote(pdb) + " " + pair);
    const struct {
        std::string args, expected;
    } cases[] = {
        {"-pdb /dev/stdout " + pair + " >" + quote(out), score + read_file(pdb)},
        {"-pdb " + quote(out) + " " + pair + " >" + quote(out), score + read_file(pdb)},
        {"-sup /dev/stdout " + pair + " >" + quote(out), score},
        {"-html /dev/stdout " + pair + " >" + quote(out), score + "<!DOCTYPE html>"},
        {"-html /dev/stderr " + pair + " >/dev/null 2>" + quote(out), "<!DOCTYPE html>"},
    };
    for (const auto &c : cases) {
        std::remove(out.c_str());
        RunResult r = run_shell("bash -c " + quote(pairfit_cmd() + c.args));
        EXPECT_EQ(r.status, 0) << c.args;
        const std::string text = read_file(out);
        EXPECT_EQ(text.compare(0, c.expected.size(), c.expected), 0) << c.args << "\n" << text.substr(0, 200);
        EXPECT_GT(text.size(), c.expected.size() - 1) << c.args;
    }
    std::remove(out.c_str());
    std::remove(pdb.c_str());
}

// A dangling link is written through (the link stays); failures give the
// reason on standard error while the -pdb line on standard output stays as
// it always was.
TEST(OutputSafety, DanglingLinksAndReasons) {
    const std::string link = temp_path("dangling.html"), target = temp_path("dangling_target.html");
    std::remove(link.c_str());
    std::remove(target.c_str());
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    const std::string pair = quote(UBQ1) + " " + quote(UBQ2);
    for (const std::string option : {"-html", "-pdb", "-sup"}) {
        EXPECT_EQ(run_pairfit(option + " " + quote(link) + " " + pair).status, 0) << option;
        struct stat st;
        EXPECT_TRUE(lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) << option;
        EXPECT_GT(read_file(target).size(), 1000u) << option;
        std::remove(target.c_str());
    }
    std::remove(link.c_str());

    const std::string missing = temp_path("no_such_dir") + "/out.pdb";
    Outcome r = run_capturing(pairfit_cmd() + "-pdb " + quote(missing) + " " + pair);
    EXPECT_EQ(r.out, score_of(pair) + "Couldn't write file " + missing + "\n");
    EXPECT_EQ(r.err, "pairfit: the -pdb file " + missing + ": No such file or directory\n");
    EXPECT_EQ(r.status, 1);
    r = run_capturing(pairfit_cmd() + "-pdb /dev/full " + pair);
    EXPECT_EQ(r.err, "pairfit: the -pdb file /dev/full: No space left on device\n");
}

// A file that is replaced keeps its mode bits, and a link to it stays a
// link; a write that fails after the file was opened (a file size limit of
// 1 kB, its signal ignored) leaves the old file and no temporary file.
TEST(OutputSafety, ReplacedFilesKeepLinkAndModeAndSurviveAFailedWrite) {
    const std::string pair = quote(UBQ1) + " " + quote(UBQ2);
    const std::string dir = temp_path("replaced");
    ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
    const std::string target = dir + "/target.out", link = dir + "/link.out";
    ASSERT_EQ(symlink("target.out", link.c_str()), 0);
    for (const std::string option : {"-html", "-pdb", "-sup"}) {
        write_file(target, "old\n");
        ASSERT_EQ(chmod(target.c_str(), 0640), 0);
        EXPECT_EQ(run_pairfit(option + " " + quote(link) + " " + pair).status, 0) << option;
        struct stat st;
        EXPECT_TRUE(lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) << option;
        EXPECT_TRUE(stat(target.c_str(), &st) == 0 && (st.st_mode & 07777) == 0640) << option;
        EXPECT_GT(read_file(target).size(), 1000u) << option;
    }
    write_file(target, "old\n");
    // The old file, and a new one (not left behind).
    for (const std::string &path : {target, dir + "/new.out"}) {
        Outcome r =
            run_capturing("trap '' XFSZ; ulimit -f 1; " + pairfit_cmd() + "-pdb " + quote(path) + " " + pair);
        EXPECT_EQ(r, (Outcome{score_of(pair) + "Couldn't write file " + path + "\n",
                              "pairfit: the -pdb file " + path + ": File too large\n", 1}));
    }
    EXPECT_EQ(read_file(target), "old\n");
    EXPECT_EQ(entries_of(dir), (std::vector<std::string>{"link.out", "target.out"}));
    run_shell("rm -r " + quote(dir));
}

// An existing file its user may not write stays as it is. Root may write
// any file, so as root the program runs as user nobody.
TEST(OutputSafety, ReadOnlyFileIsLeftAsItIs) {
    std::string as_user;
    if (geteuid() == 0) {
        if (run_shell("command -v setpriv >/dev/null && id -u nobody >/dev/null").status != 0)
            GTEST_SKIP() << "running as root, and no user nobody to run as";
        as_user = "setpriv --reuid=nobody --regid=nogroup --clear-groups ";
    }
    const std::string dir = temp_path("read_only");
    ASSERT_EQ(mkdir(dir.c_str(), 0777), 0);
    ASSERT_EQ(chmod(dir.c_str(), 0777), 0);
    const std::string file = dir + "/out.pdb";
    write_file(file, "old\n");
    ASSERT_EQ(chmod(file.c_str(), 0444), 0);
    if (geteuid() == 0) {
        ASSERT_EQ(chown(file.c_str(), 65534, 65534), 0);
    }
    Outcome r = run_capturing(as_user + pairfit_cmd() + "-pdb " + quote(file) + " " + quote(UBQ1) + " " +
                              quote(UBQ2));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "pairfit: the -pdb file " + file + ": Permission denied\n");
    EXPECT_EQ(read_file(file), "old\n");
    EXPECT_EQ(entries_of(dir), std::vector<std::string>{"out.pdb"});
    run_shell("rm -r " + quote(dir));
}

// -sup never writes a structure without its atoms: an input that was a
// pipe, or an mmCIF table that gemmi cannot read, is an error naming it.
TEST(OutputSafety, SuperposedFileFromInputsThatDoNotReadAgain) {
    const std::string sup = temp_path("sup_pipe.pdb");
    std::remove(sup.c_str());
    Outcome r = run_capturing(pairfit_cmd() + "-sup " + quote(sup) + " " + quote(UBQ1) + " <(cat " +
                              quote(UBQ2) + ")");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, score_of(quote(UBQ1) + " " + quote(UBQ2)));
    EXPECT_NE(r.err.find("Couldn't write file " + sup + ": no atoms when file /dev/fd/"), std::string::npos)
        << r.err;
    EXPECT_NE(access(sup.c_str(), F_OK), 0);

    // The columns pairfit reads, without those gemmi needs.
    std::string cif =
        "data_minimal\nloop_\n_atom_site.id\n_atom_site.auth_atom_id\n_atom_site.auth_comp_id\n"
        "_atom_site.auth_seq_id\n_atom_site.Cartn_x\n_atom_site.Cartn_y\n_atom_site.Cartn_z\n";
    for (const pairfit::ca_atom &a : read_atoms(UBQ2).atoms)
        cif += std::to_string(a.serial) + " CA " + a.residue_name + " " + std::to_string(a.residue_number) +
               " " + std::to_string(a.x) + " " + std::to_string(a.y) + " " + std::to_string(a.z) + "\n";
    Scratch minimal("minimal.cif", cif);
    ASSERT_EQ(read_atoms(minimal.path).size(), 76u);
    r = run_capturing(pairfit_cmd() + "-sup " + quote(sup) + " " + quote(UBQ1) + " " + quote(minimal.path));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no atoms when file " + minimal.path + " is read again"), std::string::npos)
        << r.err;
    EXPECT_NE(access(sup.c_str(), F_OK), 0);
}

// The mmCIF -sup file keeps HETATM rows (selenomethionines here) as the
// PDB one does.
TEST(OutputSafety, SuperposedMmcifKeepsHetatmRows) {
    const std::string capsid = data_file("capsid_1a8o_hetatm_mse.pdb");
    for (const std::string name : {"hetatm_sup.cif", "hetatm_sup.pdb"}) {
        const std::string sup = temp_path(name);
        ASSERT_EQ(run_pairfit("-sup " + quote(sup) + " " + quote(capsid) + " " + quote(capsid)).status, 0);
        size_t rows = 0;
        std::istringstream in(read_file(sup));
        for (std::string line; std::getline(in, line);) rows += line.rfind("HETATM", 0) == 0;
        EXPECT_EQ(rows, 240u) << name;  // 120 in each structure
        std::remove(sup.c_str());
    }
}

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

// -max-atoms lowers the exact mode's limit (never above what it holds) and
// sets the fast mode's, which a decompression bomb would otherwise pass.
TEST(OutputSafety, AtomLimitForEveryMode) {
    const std::string big = data_file("overcap_ubiquitin_2k39_ca.pdb.gz");
    const std::string too_many = "Too many C-alpha atoms in file " + big;
    const struct {
        std::string args, out;
        int status;
    } cases[] = {
        {"-fast -max-atoms 8000 " + quote(big) + " " + quote(UBQ1), too_many + " (at most 8000)\n", 1},
        {"-max-atoms 9000 " + quote(big) + " " + quote(UBQ1), too_many + " (at most 5000)\n", 1},
        {"-max-atoms 70 " + quote(UBQ1) + " " + quote(UBQ2),
         "Too many C-alpha atoms in file " + UBQ1 + " (at most 70)\n", 1},
    };
    for (const auto &c : cases) {
        RunResult r = run_pairfit(c.args + " 2>/dev/null");
        EXPECT_EQ(r.out, c.out) << c.args;
        EXPECT_EQ(r.status, c.status) << c.args;
    }
    EXPECT_EQ(
        run_pairfit("-fast -max-atoms 8816 " + quote(big) + " " + quote(UBQ1)).out.rfind("SCORE:\t8816\t", 0),
        0u);
    for (const std::string value : {"0", "-1", "x", "99999999999999999999"}) {
        Outcome r =
            run_capturing(pairfit_cmd() + "-max-atoms " + value + " " + quote(UBQ1) + " " + quote(UBQ2));
        EXPECT_EQ(r.err, "pairfit: -max-atoms needs a number of C-alpha atoms from 1 up\n") << value;
        EXPECT_EQ(r.status, 1);
    }
    Outcome batch = run_capturing(quote(PAIRFIT_BATCH_BINARY) + " -fast -max-atoms 8000 " + quote(UBQ1) +
                                  " " + quote(big));
    EXPECT_EQ(batch.out,
              std::string(BATCH_HEADER) + UBQ1 + "\t" + big + "\t" + too_many + " (at most 8000)\n");
    EXPECT_EQ(batch.status, 1);
}

// Structures on lines: both modes superpose them exactly, all pairs.
TEST(OutputSafety, CollinearStructuresSuperposeInBothModes) {
    Scratch x("line_x.pdb", line_pdb(1, 0, 0)), y("line_y.pdb", line_pdb(0, 1, 0)),
        slanted("line_s.pdb", line_pdb(0, 0.8, 0.6));
    const std::string all = "SCORE:\t40\t40\t0.0\t800.0\t1.286149e-03\t5.699772e+01\n";
    for (const std::string mode : {"", "-fast "})
        for (const auto &pair : {std::make_pair(x.path, y.path), std::make_pair(x.path, slanted.path),
                                 std::make_pair(slanted.path, y.path)}) {
            Outcome r = run_capturing(pairfit_cmd() + mode + quote(pair.first) + " " + quote(pair.second));
            EXPECT_EQ(r.out, all) << mode << pair.first << " " << pair.second;
            EXPECT_EQ(r.err, "") << mode;
        }
}
