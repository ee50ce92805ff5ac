// Fuzz inputs as the readers take them: a file in memory (memfd), named by
// its /proc path, closed when it goes out of scope.
#ifndef PAIRFIT_FUZZ_INPUT_H
#define PAIRFIT_FUZZ_INPUT_H

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

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
