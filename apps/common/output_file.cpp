#include "output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

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

// The path a dangling symbolic link points to (relative targets taken from
// the link's directory), so that the file is made there and the link stays.
// path itself when it is no link.
std::string dangling_link_target(const std::string &path) {
    std::string target = path;
    struct stat st;
    // A bounded number of links in a row, as the system follows them.
    for (int hops = 0; hops < 40 && lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode); ++hops) {
        char text[PATH_MAX];
        ssize_t n = readlink(target.c_str(), text, sizeof text - 1);
        if (n <= 0) break;
        std::string next(text, static_cast<size_t>(n));
        target = next[0] == '/' ? next : directory_of(target) + "/" + next;
    }
    return target;
}

// The standard stream that already has path open, or nullptr: output for
// it goes into that stream, in place, after what was printed there.
FILE *standard_stream_of(const struct stat &st) {
    struct stat open_stream;
    for (int fd : {1, 2})
        if (fstat(fd, &open_stream) == 0 && open_stream.st_dev == st.st_dev &&
            open_stream.st_ino == st.st_ino)
            return fd == 1 ? stdout : stderr;
    return nullptr;
}

}  // namespace

output_file::output_file(const std::string &path) : target_(path) {
    struct stat st;
    bool exists = stat(path.c_str(), &st) == 0;
    if (exists && (standard_stream_ = standard_stream_of(st)) != nullptr) {
        stream_ = standard_stream_;
        return;
    }
    if (exists && !S_ISREG(st.st_mode)) {
        stream_ = std::fopen(path.c_str(), "w");
        if (stream_ == nullptr) error_ = errno;
        return;
    }
    // A file we may not write stays as it is, as when it was opened in place.
    if (exists && access(path.c_str(), W_OK) != 0) {
        error_ = errno;
        return;
    }
    if (!exists) target_ = dangling_link_target(path);
    if (exists) {
        char real[PATH_MAX];
        if (realpath(path.c_str(), real) != nullptr) target_ = real;
    }
    std::string name = directory_of(target_) + "/.pairfit-XXXXXX";
    int fd = mkstemp(&name[0]);
    if (fd < 0) {
        error_ = errno;
        return;
    }
    temporary_ = name;
    if (fchmod(fd, exists ? (st.st_mode & 07777) : new_file_mode()) != 0 ||
        (stream_ = fdopen(fd, "w")) == nullptr) {
        error_ = errno;
        close(fd);
        std::remove(temporary_.c_str());
        temporary_.clear();
    }
}

output_file::~output_file() {
    if (stream_ != nullptr && stream_ != standard_stream_) std::fclose(stream_);
    if (!temporary_.empty()) std::remove(temporary_.c_str());
}

bool output_file::commit() {
    if (stream_ == nullptr) return false;
    // Each step keeps the reason of the first failure.
    auto step = [this](bool done) {
        if (!done && error_ == 0) error_ = errno != 0 ? errno : EIO;
        return done;
    };
    errno = 0;
    bool ok = step(!std::ferror(stream_));
    ok = step(std::fflush(stream_) == 0) && ok;
    if (stream_ == standard_stream_) {
        stream_ = nullptr;
        return ok;
    }
    if (!temporary_.empty()) ok = step(fsync(fileno(stream_)) == 0) && ok;
    ok = step(std::fclose(stream_) == 0) && ok;
    stream_ = nullptr;
    if (temporary_.empty()) return ok;
    ok = ok && step(std::rename(temporary_.c_str(), target_.c_str()) == 0);
    if (ok) temporary_.clear();
    return ok;
}

std::string output_file::failure_reason() const {
    return std::strerror(error_ != 0 ? error_ : EIO);
}

bool write_whole_file(const std::string &path, const std::string &content, std::string *reason) {
    output_file out(path);
    bool ok = out.stream() != nullptr;
    if (ok && std::fwrite(content.data(), 1, content.size(), out.stream()) != content.size()) {
        out.writing_failed();
        ok = false;
    }
    ok = out.commit() && ok;
    if (!ok && reason != nullptr) *reason = out.failure_reason();
    return ok;
}

bool same_file(const char *a, const char *b) {
    struct stat sa, sb;
    return stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}
