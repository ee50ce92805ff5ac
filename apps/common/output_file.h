// Output files that are never seen half-written: the text goes to a
// temporary file in the target's directory, which replaces the target only
// once it is complete. Shared by every program that writes a named file.
#ifndef PAIRFIT_APPS_OUTPUT_FILE_H
#define PAIRFIT_APPS_OUTPUT_FILE_H

#include <cstdio>
#include <string>

class output_file {
public:
    // Opens a temporary file next to path (next to the file a symbolic link
    // names). An existing target that is not a regular file (a device such
    // as /dev/null or /dev/stdout, a pipe) is written directly instead.
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

private:
    std::string target_, temporary_;
    FILE *stream_ = nullptr;
};

// Writes content to path through an output_file: the whole text or, when
// anything fails, nothing (a file that was there keeps its content).
bool write_whole_file(const std::string &path, const std::string &content);

// True when both paths name the same existing file (same device and inode:
// hard and symbolic links and other spellings of one path count).
bool same_file(const char *a, const char *b);

#endif
