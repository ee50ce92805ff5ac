#include "structure/text_source.h"

#include <cstring>

namespace pairfit {

bool text_source::refill() {
    int n = gzread(file_, buffer_, sizeof buffer_);
    position_ = 0;
    end_ = n > 0 ? static_cast<size_t>(n) : 0;
    return end_ > 0;
}

bool text_source::read_line_start(char *line, size_t size, bool *ended) {
    size_t n = 0;
    *ended = false;
    while (n + 1 < size && (position_ < end_ || refill())) {
        const char *start = buffer_ + position_;
        size_t available = end_ - position_, room = size - 1 - n;
        size_t scan = available < room ? available : room;
        const char *line_end = static_cast<const char *>(std::memchr(start, '\n', scan));
        size_t take = line_end != nullptr ? static_cast<size_t>(line_end - start) + 1 : scan;
        size_t text = strnlen(start, take);
        std::memcpy(line + n, start, text);
        n += text;
        if (text < take) {
            // A NUL byte ends the line's text; the rest of the line goes unread.
            position_ += text + 1;
            line[n] = '\0';
            return true;
        }
        position_ += take;
        if (line_end != nullptr) {
            *ended = true;
            break;
        }
    }
    line[n] = '\0';
    return n > 0;
}

bool text_source::skip_rest_of_line() {
    bool text = false;
    for (int c; (c = next_byte()) >= 0 && c != '\n';)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\v' && c != '\f' && c != 0) text = true;
    return text;
}

size_t text_source::read_raw(char *out, size_t size) {
    if (position_ == end_ && !refill()) return 0;
    size_t n = end_ - position_ < size ? end_ - position_ : size;
    std::memcpy(out, buffer_ + position_, n);
    position_ += n;
    return n;
}

bool text_source::failed() {
    int error;
    gzerror(file_, &error);
    return error != Z_OK;
}

}  // namespace pairfit
