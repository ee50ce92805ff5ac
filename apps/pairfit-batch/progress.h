// The progress line of a batch run on a terminal: pairs done of total,
// pairs per second and the time left, redrawn in place.
#ifndef PAIRFIT_BATCH_PROGRESS_H
#define PAIRFIT_BATCH_PROGRESS_H

#include <chrono>
#include <cstddef>
#include <cstdio>

struct progress_line {
    FILE *out;  // nullptr: no progress line
    size_t total;
    bool shown;  // a line is on the screen
    std::chrono::steady_clock::time_point start;
};

// Starts timing the run; draws nothing unless out is a terminal.
void start_progress(progress_line *progress, FILE *out, size_t total);

// The text of the line after `done` of `total` pairs in `seconds`, e.g.
// "30/90 pairs, 3.0 pairs/s, 0:20 left"; at the end "90/90 pairs,
// 3.0 pairs/s, done in 0:30".
void format_progress(char *text, size_t size, size_t done, size_t total, double seconds);

// Draws the line for `done` pairs.
void update_progress(progress_line *progress, size_t done);

// Erases the line, so that other output on the same terminal starts on a
// clean line; the next update draws it again.
void clear_progress(progress_line *progress);

// Ends the line, leaving the final count on the screen.
void end_progress(progress_line *progress);

#endif
