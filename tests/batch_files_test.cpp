// pairfit-batch's own files against hostile command lines: the page never
// replaces an input, and a --resume file is a regular file of checked rows
// that one run at a time may continue.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include "test_util.h"

namespace {

const std::string UBQ1 = data_file("ubiquitin_1d3z_model1.pdb");
const std::string UBQ2 = data_file("ubiquitin_1d3z_model2.pdb");

}  // namespace

// Every input the page could replace, named directly, through a link or
// with a selection: refused, the input unchanged, status 2.
TEST(BatchFiles, PageNeverReplacesAnInput) {
    const std::string copy = temp_path("page_input.pdb"), link = temp_path("page_link.html");
    write_file(copy, read_file(UBQ1));
    Scratch list("page_list.txt", copy + "\n" + UBQ2 + "\n");
    Scratch pairs("page_pairs.txt", copy + " " + UBQ2 + "\n");
    std::remove(link.c_str());
    ASSERT_EQ(symlink(list.path.c_str(), link.c_str()), 0);
    const struct {
        std::string args, input;
    } cases[] = {
        {"--html " + quote(copy) + " " + quote(copy) + " " + quote(UBQ2), copy},
        {"--html " + quote(copy) + " " + quote(UBQ2) + " " + quote(copy + "@/1"), copy},
        {"--html " + quote(link) + " --list " + quote(list.path), list.path},
        {"--html " + quote(pairs.path) + " --pairs " + quote(pairs.path), pairs.path},
        {"--resume " + quote(copy) + " " + quote(UBQ2) + " " + quote(copy), copy},
    };
    for (const auto &c : cases) {
        const std::string before = read_file(c.input);
        Outcome r = batch_run(c.args);
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_EQ(r.out, "") << c.args;
        EXPECT_NE(r.err.find(" is the input file "), std::string::npos) << r.err;
        EXPECT_EQ(read_file(c.input), before) << c.args;
    }
    struct stat st;
    EXPECT_EQ(lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode), true);
    std::remove(copy.c_str());
    std::remove(link.c_str());
}

// Rows whose values are not six numbers, a file another run holds locked,
// and files that are no regular files: refused with the file named, the
// file left as it was.
TEST(BatchFiles, ResumeRefusesDamagedLockedAndSpecialFiles) {
    const std::string args = quote(UBQ1) + " " + quote(UBQ2) + " " + quote(UBQ1);
    const std::string whole = batch_run(args).out;
    const size_t row1 = whole.find('\n') + 1, row2 = whole.find('\n', row1) + 1;
    const std::string header = whole.substr(0, row1), names = UBQ1 + "\t" + UBQ2 + "\t";
    const std::string part = temp_path("resume_checked.tsv");
    const std::string damaged[] = {
        names + "76\t76\t0.5\tx\t1e-05\t3.0\n",     // a value that is no number
        names + "76\t76\t0.5\t1.0\t1e-05\n",        // five values
        names + "76\n",                             // one value, no message
        names + "76\t76\t0.5\t1.0\t1e-05\t0x10\n",  // hexadecimal
        names + "76\t76\t0.5\t1.0\t1e-05\t3.0" + std::string(1, '\0') + "\n",
    };
    for (const std::string &row : damaged) {
        write_file(part, header + row);
        Outcome r = batch_run("--resume " + quote(part) + " " + args);
        EXPECT_EQ(r.status, 2) << row;
        EXPECT_EQ(r.err, "pairfit-batch: " + part +
                             ", line 2: the row of pair 1 does not hold 6 numbers or a "
                             "message; the file is damaged\n")
            << row;
        EXPECT_EQ(read_file(part), header + row);
    }
    // A row of six numbers is kept and the run goes on.
    write_file(part, whole.substr(0, row2));
    EXPECT_EQ(batch_run("--resume " + quote(part) + " " + args).status, 0);
    EXPECT_EQ(read_file(part), whole);

    write_file(part, header);
    int fd = open(part.c_str(), O_RDONLY);
    ASSERT_EQ(flock(fd, LOCK_EX), 0);
    Outcome r = batch_run("--resume " + quote(part) + " " + args);
    EXPECT_EQ(
        std::tie(r.err, r.status),
        std::make_tuple("pairfit-batch: " + part + ": another pairfit-batch run is writing this file\n", 2));
    EXPECT_EQ(read_file(part), header);
    close(fd);
    std::remove(part.c_str());

    const std::string fifo = temp_path("resume_fifo");
    std::remove(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string &special : {fifo, std::string("/dev/null")}) {
        r = batch_run("--resume " + quote(special) + " " + args);
        EXPECT_EQ(std::tie(r.err, r.status),
                  std::make_tuple("pairfit-batch: " + special +
                                      ": not a regular file; --resume needs a file it can read back\n",
                                  2));
    }
    // Standard output as a pipe, under the name /dev/stdout.
    RunResult piped =
        run_shell(quote(PAIRFIT_BATCH_BINARY) + " --resume /dev/stdout " + args + " 2>&1 | cat");
    EXPECT_EQ(piped.out,
              "pairfit-batch: /dev/stdout: not a regular file; --resume needs a file it can read back\n");
    std::remove(fifo.c_str());
}

// The page names every option of the run that changes its values.
TEST(BatchFiles, PageRecordsThePairingOptions) {
    Scratch page("options_page.html", "");
    const struct {
        std::string options, shown;
    } cases[] = {
        {"-min 5 -seq", "pairfit -min 5 -seq file1 file2"},
        {"-struct -fast", "pairfit -min 19 -struct -fast file1 file2"},
        {"-complex --split models", "pairfit -min 19 -complex --split models file1 file2"},
    };
    for (const auto &c : cases) {
        ASSERT_EQ(batch_run(c.options + " --html " + quote(page.path) + " " + quote(UBQ1) + " " + quote(UBQ2))
                      .status,
                  0);
        EXPECT_NE(read_file(page.path).find("compared as <code>" + c.shown + "</code>"), std::string::npos)
            << c.options;
    }
}
