#include "resume.h"

#include <unistd.h>

#include <algorithm>
#include <fstream>

#include "row_output.h"

namespace {

// Whether line (without its line end) is a row for the pair: both names,
// then the values (separated by value_tabs tabs) or one message.
bool is_row_of(const std::string &line, const pair_list &pairs, file_pair p, size_t value_tabs, bool *failed) {
    const std::string names = pairs.files[p.file1] + "\t" + pairs.files[p.file2] + "\t";
    if (line.compare(0, names.size(), names) != 0) return false;
    size_t tabs = 0;
    for (size_t i = names.size(); i < line.size(); ++i) tabs += line[i] == '\t';
    *failed = tabs == 0;
    return tabs == 0 || tabs == value_tabs;
}

}  // namespace

bool open_for_resume(const std::string &path, const pair_list &pairs, size_t first, size_t end,
                     const std::string &header, resume_point *point, std::string *error) {
    // The header's tabs less the two after the names.
    const size_t value_tabs = static_cast<size_t>(std::count(header.begin(), header.end(), '\t')) - 2;
    std::ifstream in(path, std::ios::binary);
    size_t kept = 0;  // bytes of complete, checked lines
    long line_number = 0;
    std::string line;
    while (in && std::getline(in, line)) {
        if (in.eof()) break;  // no line end: a torn last line, written again
        ++line_number;
        if (line_number == 1) {
            if (line + "\n" != header) {
                *error = path + ": the first line is not the header of pairfit-batch's rows";
                return false;
            }
        } else {
            size_t row = first + point->rows_done;
            bool failed = false;
            if (row >= end || !is_row_of(line, pairs, pair_at(pairs, row), value_tabs, &failed)) {
                *error = path + ", line " + std::to_string(line_number) +
                         ": not the row of the pair list's pair " +
                         (row >= end ? std::string("(the list has fewer pairs)")
                                     : std::to_string(row - first + 1)) +
                         "; the file does not belong to this command line";
                return false;
            }
            ++point->rows_done;
            point->rows_failed += failed;
        }
        kept += line.size() + 1;
    }
    if (in.bad()) {
        *error = "Error reading file " + path;
        return false;
    }
    in.close();
    point->out = std::fopen(path.c_str(), "a");
    if (point->out == nullptr || ftruncate(fileno(point->out), static_cast<off_t>(kept)) != 0 ||
        (kept == 0 && (std::fputs(header.c_str(), point->out) < 0 || std::fflush(point->out) != 0))) {
        if (point->out != nullptr) std::fclose(point->out);
        point->out = nullptr;
        *error = "Couldn't write file " + path;
        return false;
    }
    return true;
}
