#include "output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {

std::string directory_of(const std::string &path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The permissions a new file gets: 0666 less the umask.
mode_t new_file_mode() {
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

output_file::output_file(const std::string &path) : target_(path) {
    struct stat st;
    bool exists = stat(path.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        stream_ = std::fopen(path.c_str(), "w");
        return;
    }
    // A file we may not write stays as it is, as when it was opened in place.
    if (exists && access(path.c_str(), W_OK) != 0) return;
    if (exists) {
        char real[PATH_MAX];
        if (realpath(path.c_str(), real) != nullptr) target_ = real;
    }
    std::string name = directory_of(target_) + "/.pairfit-XXXXXX";
    int fd = mkstemp(&name[0]);
    if (fd < 0) return;
    temporary_ = name;
    if (fchmod(fd, exists ? (st.st_mode & 07777) : new_file_mode()) != 0 ||
        (stream_ = fdopen(fd, "w")) == nullptr) {
        close(fd);
        std::remove(temporary_.c_str());
        temporary_.clear();
    }
}

output_file::~output_file() {
    if (stream_ != nullptr) std::fclose(stream_);
    if (!temporary_.empty()) std::remove(temporary_.c_str());
}

bool output_file::commit() {
    if (stream_ == nullptr) return false;
    bool ok = !std::ferror(stream_);
    ok = std::fflush(stream_) == 0 && ok;
    if (!temporary_.empty()) ok = fsync(fileno(stream_)) == 0 && ok;
    ok = std::fclose(stream_) == 0 && ok;
    stream_ = nullptr;
    if (temporary_.empty()) return ok;
    ok = ok && std::rename(temporary_.c_str(), target_.c_str()) == 0;
    if (ok) temporary_.clear();
    return ok;
}

bool write_whole_file(const std::string &path, const std::string &content) {
    output_file out(path);
    if (out.stream() == nullptr) return false;
    if (std::fwrite(content.data(), 1, content.size(), out.stream()) != content.size()) return false;
    return out.commit();
}

bool same_file(const char *a, const char *b) {
    struct stat sa, sb;
    return stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}
