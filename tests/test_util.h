// Small helpers shared by the test files: run the built binary, locate the
// data files, and make scratch files.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

struct RunResult {
  std::string out;
  int status;
};

// Runs the pairfit binary with ARGS (passed through /bin/sh, so quote as
// needed), captures standard output and returns it with the exit status.
inline RunResult run_pairfit(const std::string &args) {
  std::string cmd = std::string("'") + PAIRFIT_BINARY + "' " + args;
  RunResult r{"", -1};
  FILE *p = popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int st = pclose(p);
  r.status = (st != -1 && WIFEXITED(st)) ? WEXITSTATUS(st) : -1;
  return r;
}

inline std::string data_file(const std::string &name) {
  return std::string(PAIRFIT_DATA_DIR) + "/" + name;
}

inline std::string example_file(const std::string &name) {
  return std::string(PAIRFIT_EXAMPLES_DIR) + "/" + name;
}

inline std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// A path in the test temp directory, made unique per process so that
// parallel test runs do not collide.
inline std::string temp_path(const std::string &name) {
  std::string dir = ::testing::TempDir();
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir + "pairfit_" + std::to_string(getpid()) + "_" + name;
}

inline void write_file(const std::string &path, const std::string &content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}
