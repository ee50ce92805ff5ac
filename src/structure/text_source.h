// Buffered reading of a plain or gzip-compressed file: the start of each
// line for the PDB reader, raw bytes for the mmCIF parser.
#ifndef PAIRFIT_TEXT_SOURCE_H
#define PAIRFIT_TEXT_SOURCE_H

#include <zlib.h>

#include <cstddef>

namespace pairfit {

class text_source {
public:
    // file_size: the size of the file as stored, 0 when unknown.
    text_source(gzFile file, size_t file_size) : file_(file), file_size_(file_size) {}
    text_source(const text_source &) = delete;
    text_source &operator=(const text_source &) = delete;

    // The start of the next line: at most size - 1 characters, up to and
    // including its line end, stopping before a NUL byte. *ended is true
    // when the line end was stored (the whole line was taken). False at the
    // end of the input, with nothing read.
    bool read_line_start(char *line, size_t size, bool *ended);

    // Skips the rest of the current line through its line end. Returns
    // whether it held anything but blanks (a NUL byte counts as a blank).
    bool skip_rest_of_line();

    // Up to size raw bytes from where reading stands; 0 at the end of the
    // input or on an error.
    size_t read_raw(char *out, size_t size);

    // True when the input ended with a read error or corrupt or truncated
    // compressed data.
    bool failed();

    // Once reading has begun: an upper bound on the length of the text
    // that a plain file of known size can hold (twice its size, in case it
    // grows while it is read), or limit when it is compressed or of unknown
    // size; never above limit. Buffers for small files stay small.
    size_t text_bound(size_t limit) const {
        if (file_size_ == 0 || !gzdirect(file_) || file_size_ > limit / 2) return limit;
        return 2 * file_size_ + 4096;
    }

private:
    // The next byte, or -1 at the end.
    int next_byte() {
        if (position_ == end_ && !refill()) return -1;
        return static_cast<unsigned char>(buffer_[position_++]);
    }
    bool refill();

    gzFile file_;
    size_t file_size_;
    char buffer_[1 << 16];
    size_t position_ = 0, end_ = 0;
};

}  // namespace pairfit

#endif
