#include "report/atomic_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace pairfit {

namespace {

bool write_all(int fd, std::string_view content) {
    while (!content.empty()) {
        ssize_t n = ::write(fd, content.data(), content.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        content.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// The permissions a file made by fopen would get: 0666 less the umask.
// The umask is read from /proc, as setting it to read it back would race
// with other threads creating files.
mode_t default_file_mode() {
    mode_t mask = 022;
    if (FILE *status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        unsigned value;
        while (std::fgets(line, sizeof line, status) != nullptr)
            if (std::sscanf(line, "Umask: %o", &value) == 1) mask = static_cast<mode_t>(value);
        std::fclose(status);
    }
    return 0666 & ~mask;
}

}  // namespace

bool write_file_atomically(const std::string &path, std::string_view content) {
    if (path.empty() || path.back() == '/') return false;
    // The temporary file lies beside the target, so that rename never
    // crosses a file system and the target appears whole or not at all.
    std::string::size_type slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string pattern = dir + "." + base + ".tmpXXXXXX";
    std::vector<char> temp(pattern.begin(), pattern.end());
    temp.push_back('\0');
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;
    bool ok = ::fchmod(fd, default_file_mode()) == 0 && write_all(fd, content);
    ok = ::close(fd) == 0 && ok;
    ok = ok && std::rename(temp.data(), path.c_str()) == 0;
    if (!ok) ::unlink(temp.data());
    return ok;
}

}  // namespace pairfit
