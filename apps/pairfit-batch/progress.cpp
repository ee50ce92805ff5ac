#include "progress.h"

#include <unistd.h>

namespace {

// h:mm:ss, or m:ss under an hour.
void format_duration(char *text, size_t size, double seconds) {
    long s = seconds > 0.0 ? static_cast<long>(seconds + 0.5) : 0;
    if (s >= 3600)
        std::snprintf(text, size, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, size, "%ld:%02ld", s / 60, s % 60);
}

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

void start_progress(progress_line *progress, FILE *out, size_t total) {
    progress->out = out != nullptr && isatty(fileno(out)) ? out : nullptr;
    progress->total = total;
    progress->shown = false;
    progress->start = std::chrono::steady_clock::now();
}

void format_progress(char *text, size_t size, size_t done, size_t total, double seconds) {
    double rate = seconds > 0.0 ? static_cast<double>(done) / seconds : 0.0;
    char duration[32];
    if (done >= total) {
        format_duration(duration, sizeof duration, seconds);
        std::snprintf(text, size, "%zu/%zu pairs, %.1f pairs/s, done in %s", done, total, rate, duration);
    } else if (done == 0) {
        std::snprintf(text, size, "%zu/%zu pairs", done, total);
    } else {
        format_duration(duration, sizeof duration, static_cast<double>(total - done) / rate);
        std::snprintf(text, size, "%zu/%zu pairs, %.1f pairs/s, %s left", done, total, rate, duration);
    }
}

void update_progress(progress_line *progress, size_t done) {
    if (progress->out == nullptr) return;
    char text[160];
    format_progress(text, sizeof text, done, progress->total, seconds_since(progress->start));
    std::fprintf(progress->out, "\r%s\033[K", text);
    std::fflush(progress->out);
    progress->shown = true;
}

void clear_progress(progress_line *progress) {
    if (progress->out == nullptr || !progress->shown) return;
    std::fputs("\r\033[K", progress->out);
    std::fflush(progress->out);
    progress->shown = false;
}

void end_progress(progress_line *progress) {
    if (progress->out == nullptr || !progress->shown) return;
    std::fputs("\n", progress->out);
    std::fflush(progress->out);
    progress->shown = false;
}
