#include "row_output.h"

#include <unistd.h>

namespace {

void write_row(row_output *rows, size_t row, const row_slot *slot) {
    file_pair p = pair_at(*rows->pairs, row);
    const bool error = !slot->error.empty();
    const bool first_report = error && !rows->reported[slot->error_file];
    const int files[2] = {p.file1, p.file2};
    bool file_warnings = false;
    for (int i = 0; i < 2; ++i)
        file_warnings = file_warnings || (!rows->warned[files[i]] && !slot->file_warnings[i].empty());
    if ((first_report || file_warnings || !slot->warning.empty()) && rows->progress != nullptr)
        clear_progress(rows->progress);
    for (int i = 0; i < 2; ++i) {
        if (rows->warned[files[i]]) continue;
        rows->warned[files[i]] = 1;
        for (const std::string &w : slot->file_warnings[i]) std::fprintf(stderr, "%s\n", w.c_str());
    }
    if (first_report) {
        rows->reported[slot->error_file] = 1;
        std::fprintf(stderr, "%s\n", slot->error.c_str());
    }
    if (!slot->warning.empty()) std::fprintf(stderr, "%s\n", slot->warning.c_str());
    const char *text = error ? slot->error.c_str() : slot->values;
    if (std::fprintf(rows->out, "%s\t%s\t%s%s%s\n", rows->pairs->files[p.file1].c_str(),
                     rows->pairs->files[p.file2].c_str(), text, rows->warnings_column ? "\t" : "",
                     rows->warnings_column ? slot->warnings_field.c_str() : "") < 0)
        rows->write_failed = true;
    if (error) ++rows->failed;
}

}  // namespace

void start_rows(row_output *rows, FILE *out, const pair_list *pairs, size_t first, size_t end,
                size_t slot_count, progress_line *progress, bool warnings_column) {
    rows->out = out;
    rows->pairs = pairs;
    rows->next = first;
    rows->end = end;
    rows->count = end - first;
    rows->done_count = 0;
    rows->failed = 0;
    rows->write_failed = false;
    rows->progress = progress;
    rows->warnings_column = warnings_column;
    rows->clear_progress_first = progress != nullptr && progress->out != nullptr && isatty(fileno(out));
    rows->slots.assign(slot_count > 0 ? slot_count : 1, row_slot());
    rows->reported.assign(pairs->files.size(), 0);
    rows->warned.assign(pairs->files.size(), 0);
}

row_slot *wait_for_slot(row_output *rows, size_t row) {
    std::unique_lock<std::mutex> hold(rows->lock);
    rows->slot_freed.wait(
        hold, [rows, row] { return row < rows->next + rows->slots.size() || rows->write_failed; });
    if (rows->write_failed) return nullptr;
    return &rows->slots[row % rows->slots.size()];
}

void finish_row(row_output *rows, size_t row) {
    std::lock_guard<std::mutex> hold(rows->lock);
    rows->slots[row % rows->slots.size()].done = true;
    ++rows->done_count;
    row_slot *slot = &rows->slots[rows->next % rows->slots.size()];
    if (slot->done && rows->clear_progress_first) clear_progress(rows->progress);
    bool wrote = false;
    while (rows->next < rows->end && slot->done && !rows->write_failed) {
        write_row(rows, rows->next, slot);
        slot->done = false;
        ++rows->next;
        slot = &rows->slots[rows->next % rows->slots.size()];
        wrote = true;
    }
    if (wrote) {
        if (std::fflush(rows->out) != 0 || std::ferror(rows->out)) rows->write_failed = true;
        rows->slot_freed.notify_all();
    }
    if (rows->done_count == rows->count || rows->write_failed) rows->all_done.notify_all();
}

void report_progress(row_output *rows) {
    std::unique_lock<std::mutex> hold(rows->lock);
    for (;;) {
        bool done = rows->all_done.wait_for(hold, std::chrono::milliseconds(200), [rows] {
            return rows->done_count == rows->count || rows->write_failed;
        });
        update_progress(rows->progress, rows->done_count);
        if (done) return;
    }
}

std::string batch_header(bool metrics, bool domains, bool warnings) {
    std::string header = BATCH_HEADER;
    if (metrics) header.insert(header.size() - 1, BATCH_METRICS_COLUMNS);
    if (domains) header.insert(header.size() - 1, BATCH_DOMAIN_COLUMNS);
    if (warnings) header.insert(header.size() - 1, BATCH_WARNINGS_COLUMN);
    return header;
}

std::string warnings_field(const std::vector<std::string> &warnings) {
    const std::string separator = pairfit::warnings_separator, stand_in = " / ";
    std::string field;
    for (const std::string &warning : warnings) {
        std::string text = warning;
        for (char &c : text)
            if (c == '\t' || c == '\n' || c == '\r') c = ' ';
        for (size_t at = 0; (at = text.find(separator, at)) != std::string::npos; at += stand_in.size())
            text.replace(at, separator.size(), stand_in);
        field += (field.empty() ? "" : separator) + text;
    }
    return field;
}

std::vector<std::string> tab_fields(const std::string &row) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t tab; (tab = row.find('\t', start)) != std::string::npos; start = tab + 1)
        fields.push_back(row.substr(start, tab - start));
    fields.push_back(row.substr(start));
    return fields;
}
