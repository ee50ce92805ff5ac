// Output files that are never seen half-written: the text goes to a
// temporary file in the target's directory, which replaces the target only
// once it is complete. Shared by every program that writes a named file.
#ifndef PAIRFIT_APPS_OUTPUT_FILE_H
#define PAIRFIT_APPS_OUTPUT_FILE_H

#include <cerrno>
#include <cstdio>
#include <string>

class output_file {
public:
    // Opens a temporary file next to path (next to the file a symbolic link
    // names, also when that file does not exist yet: the link stays). An
    // existing target that is not a regular file (a device such as
    // /dev/null or /dev/stdout, a pipe) is written directly instead, and a
    // file already open as standard output or standard error is written
    // through that stream, after what was printed there.
    explicit output_file(const std::string &path);
    // Removes the temporary file unless commit() put it in place.
    ~output_file();
    output_file(const output_file &) = delete;
    output_file &operator=(const output_file &) = delete;

    // Where to write; nullptr when the file could not be opened, or exists
    // and may not be written (as opening it in place would fail).
    FILE *stream() const { return stream_; }

    // Closes the file and moves it over the target, keeping the target's
    // permissions (new files get those that the umask allows). False when
    // anything failed, writing included: the temporary file is then
    // removed and a file that was there before is left as it was.
    bool commit();

    // Records errno as the reason, unless one is known: to be called as
    // soon as a write to stream() fails (the stream forgets why).
    void writing_failed() {
        if (error_ == 0) error_ = errno;
    }

    // Why opening, writing or committing failed, as strerror gives it ("No such
    // file or directory", "No space left on device", ...).
    std::string failure_reason() const;

private:
    std::string target_, temporary_;
    FILE *stream_ = nullptr;
    FILE *standard_stream_ = nullptr;  // stdout or stderr when writing in place into it
    int error_ = 0;                    // errno of the first failure
};

// Writes content to path through an output_file: the whole text or, when
// anything fails, nothing (a file that was there keeps its content), with
// the reason in *reason when it is given.
bool write_whole_file(const std::string &path, const std::string &content, std::string *reason = nullptr);

// True when both paths name the same existing file (same device and inode:
// hard and symbolic links and other spellings of one path count).
bool same_file(const char *a, const char *b);

#endif
