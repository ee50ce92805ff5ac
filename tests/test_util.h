// Helpers shared by the test files: the built binary, data and scratch
// files, and molecules read from them.
#pragma once

#include <dirent.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "pairfit/pairfit.h"

inline std::string quote(const std::string &s) {
    return "'" + s + "'";
}

struct RunResult {
    std::string out;
    int status;
};

// Runs a /bin/sh command: its standard output and exit status.
inline RunResult run_shell(const std::string &command) {
    RunResult r{"", -1};
    FILE *p = popen(command.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
    int st = pclose(p);
    r.status = (st != -1 && WIFEXITED(st)) ? WEXITSTATUS(st) : -1;
    return r;
}

// Runs pairfit with ARGS (through /bin/sh, so quote as needed).
inline RunResult run_pairfit(const std::string &args) {
    return run_shell(quote(PAIRFIT_BINARY) + " " + args);
}

inline std::string data_file(const std::string &name) {
    return std::string(PAIRFIT_DATA_DIR) + "/" + name;
}
inline std::string example_file(const std::string &name) {
    return std::string(PAIRFIT_EXAMPLES_DIR) + "/" + name;
}

inline std::string replace_all(std::string s, const std::string &from, const std::string &to) {
    for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
    return s;
}

// @D/ and @E/ in a recorded command line or output: tests/data/ and examples/.
inline std::string expand_data_paths(const std::string &text) {
    return replace_all(replace_all(text, "@D/", data_file("")), "@E/", example_file(""));
}

inline std::string read_file(const std::string &path) {
    std::ostringstream ss;
    ss << std::ifstream(path, std::ios::binary).rdbuf();
    return ss.str();
}

// A path in the test temp directory (which ends in '/'), unique per process
// so that parallel test runs do not collide.
inline std::string temp_path(const std::string &name) {
    return ::testing::TempDir() + "pairfit_" + std::to_string(getpid()) + "_" + name;
}

inline void write_file(const std::string &path, const std::string &content) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

// The names in a directory, without . and .., sorted.
inline std::vector<std::string> entries_of(const std::string &dir) {
    std::vector<std::string> names;
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *e = readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A scratch file holding content, removed at the end of its scope.
struct Scratch {
    std::string path;
    Scratch(const std::string &name, const std::string &content) : path(temp_path(name)) {
        write_file(path, content);
    }
    ~Scratch() { std::remove(path.c_str()); }
};

// The C-alpha atoms of the file at path; warnings go to standard error as
// the programs print them.
inline pairfit::structure read_atoms(const std::string &path) {
    pairfit::read_options options;
    options.on_warning = [](const std::string &message) { std::fprintf(stderr, "%s\n", message.c_str()); };
    return pairfit::read_structure(path, options);
}

// The message and kind of the read error of path, or "read" when it reads.
inline std::string read_failure_of(const std::string &path) {
    try {
        read_atoms(path);
    } catch (const pairfit::read_error &e) {
        EXPECT_EQ(e.path(), path);
        return std::to_string(static_cast<int>(e.kind())) + " " + e.what();
    }
    return "read";
}

// Serial, atom name, residue name, residue number and coordinates of every
// atom, a line per atom.
inline std::string atoms_of(const pairfit::structure &s) {
    std::string text;
    char line[160];
    for (const pairfit::ca_atom &a : s.atoms) {
        std::snprintf(line, sizeof line, "%d %s %s %d %.10g %.10g %.10g\n", a.serial, a.atom_name.c_str(),
                      a.residue_name.c_str(), a.residue_number, a.x, a.y, a.z);
        text += line;
    }
    return text;
}

const std::string EXPECTED = std::string(PAIRFIT_DATA_DIR) + "/../expected/";

// Compares actual with NAME of the expected folder, or with the SHA-256
// digest in NAME.sha256. A differing output is kept in a scratch file
// (named after variant too, for runs with further options).
inline void expect_recorded(const std::string &name, const std::string &actual,
                            const std::string &variant = "") {
    const std::string kept = temp_path("actual_" + variant + name);
    write_file(kept, actual);
    std::string want = read_file(EXPECTED + name), got = actual, where;
    if (want.empty()) {
        want = read_file(EXPECTED + name + ".sha256").substr(0, 64);
        got = run_shell("sha256sum " + quote(kept)).out.substr(0, 64);
    } else {
        const auto differ = std::mismatch(want.begin(), want.end(), got.begin(), got.end());
        where = " from byte " + std::to_string(differ.first - want.begin());
    }
    if (got == want)
        std::remove(kept.c_str());
    else
        ADD_FAILURE() << name << " differs from the recorded output" << where << "; actual output kept in "
                      << kept;
}

// A growth step as the program's progress lines print it (FRAC1, GOOD1).
inline std::string progress_line(const char *label, const pairfit::growth_step &s) {
    char line[160];
    std::snprintf(line, sizeof line, "%s:\t%.2f\t%d\t%.1f\t%.1f\t%e\n", label, double(s.size) / s.npairs,
                  s.size, s.rms, s.score, s.pvalue);
    return line;
}

// Standard output, standard error and exit status of a command.
struct Outcome {
    std::string out, err;
    int status;
    bool operator==(const Outcome &o) const { return out == o.out && err == o.err && status == o.status; }
};

inline void PrintTo(const Outcome &r, std::ostream *os) {
    *os << "status " << r.status << "\nstdout:\n" << r.out << "stderr:\n" << r.err;
}

// Runs a bash command line (so $'...' names work), capturing both streams.
inline Outcome run_capturing(const std::string &command) {
    Scratch err("stderr.txt", ""), script("command.sh", command + " 2>" + quote(err.path) + "\n");
    const RunResult r = run_shell("bash " + quote(script.path));
    return {r.out, read_file(err.path), r.status};
}

inline std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}
