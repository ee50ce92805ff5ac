// Fuzz inputs as the readers take them: a file in memory (memfd), named by
// its /proc path, closed when it goes out of scope.
#ifndef PAIRFIT_FUZZ_INPUT_H
#define PAIRFIT_FUZZ_INPUT_H

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pairfit/structure.h"

class memory_file {
public:
    memory_file(const void *data, size_t size) : fd_(memfd_create("fuzz", 0)) {
        const char *p = static_cast<const char *>(data);
        for (size_t left = size; fd_ >= 0 && left > 0;) {
            ssize_t n = write(fd_, p, left);
            if (n <= 0) break;
            p += n;
            left -= static_cast<size_t>(n);
        }
        path_ = "/proc/self/fd/" + std::to_string(fd_);
    }
    ~memory_file() {
        if (fd_ >= 0) close(fd_);
    }
    memory_file(const memory_file &) = delete;
    memory_file &operator=(const memory_file &) = delete;
    const std::string &path() const { return path_; }

private:
    int fd_;
    std::string path_;
};

// An argument vector: the program name, then the NUL-separated words of
// text (an empty word between two NULs included).
class argument_list {
public:
    argument_list(const char *program, const std::string &text) : words_(1, program) {
        for (size_t start = 0; start <= text.size();) {
            size_t end = text.find('\0', start);
            if (end == std::string::npos) end = text.size();
            words_.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        for (std::string &w : words_) argv_.push_back(&w[0]);
        argv_.push_back(nullptr);
    }
    argument_list(const argument_list &) = delete;
    argument_list &operator=(const argument_list &) = delete;
    int argc() const { return static_cast<int>(words_.size()); }
    char **argv() { return argv_.data(); }

private:
    std::vector<std::string> words_;
    std::vector<char *> argv_;
};

// Reads the structure at path; read errors are expected results, anything
// else (a crash, a sanitizer report, another exception) is a finding.
inline void read_quietly(const std::string &path) {
    pairfit::read_options options;
    size_t warnings = 0;
    options.on_warning = [&warnings](const std::string &) { ++warnings; };
    try {
        pairfit::structure s = pairfit::read_structure(path, options);
        if (s.size() > options.max_atoms) __builtin_trap();
    } catch (const pairfit::read_error &) {
    }
}

#endif
