#include "resume.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "row_output.h"

namespace {

// Whether text is a whole number as "%d" prints it.
bool is_integer(const std::string &text) {
    size_t start = !text.empty() && text[0] == '-' ? 1 : 0;
    return text.size() > start && text.find_first_not_of("0123456789", start) == std::string::npos;
}

// Whether text is a number as "%.1f" or "%e" prints it (nan and inf
// included): strtod reads all of it, and it holds no hexadecimal digits.
bool is_real(const std::string &text) {
    if (text.empty() || text.find_first_not_of("0123456789+-.eEnaif") != std::string::npos) return false;
    char *end;
    std::strtod(text.c_str(), &end);
    return *end == '\0';
}

// What a line (without its line end) is for a pair.
enum row_check { NOT_THE_PAIR, BAD_VALUES, VALUES_ROW, MESSAGE_ROW };

// A row for the pair holds both names, then the header's count of values
// (the six SCORE values, and more with --metrics) or one message (which
// never reads as a number), then with a warnings column one more field.
row_check check_row(const std::string &line, const pair_list &pairs, file_pair p, size_t value_count,
                    bool warnings_column) {
    const std::string names = pairs.files[p.file1] + "\t" + pairs.files[p.file2] + "\t";
    if (line.compare(0, names.size(), names) != 0) return NOT_THE_PAIR;
    std::string rest = line.substr(names.size());
    if (rest.find('\0') != std::string::npos) return BAD_VALUES;
    if (warnings_column) {
        const size_t tab = rest.rfind('\t');
        if (tab == std::string::npos) return BAD_VALUES;
        rest.erase(tab);
    }
    const std::vector<std::string> values = tab_fields(rest);
    if (values.size() == 1) return values[0].empty() || is_real(values[0]) ? BAD_VALUES : MESSAGE_ROW;
    if (values.size() != value_count) return values.size() < value_count ? BAD_VALUES : NOT_THE_PAIR;
    for (size_t i = 0; i < values.size(); ++i)
        if (!(i < 2 ? is_integer(values[i]) : is_real(values[i]))) return BAD_VALUES;
    return VALUES_ROW;
}

// Closes the file and sets *error; returns false.
bool give_up(FILE *file, const std::string &message, std::string *error) {
    if (file != nullptr) std::fclose(file);
    *error = message;
    return false;
}

// Opens path for reading and writing, creating it if need be, and takes an
// exclusive lock on it that lasts until the file is closed. Only regular
// files: a pipe or device would never end or never hold the rows.
FILE *open_locked(const std::string &path, std::string *error) {
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        *error = path + ": not a regular file; --resume needs a file it can read back";
        return nullptr;
    }
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        *error = "Couldn't write file " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        *error = path + ": not a regular file; --resume needs a file it can read back";
        return nullptr;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        bool busy = errno == EWOULDBLOCK;
        close(fd);
        *error = busy ? path + ": another pairfit-batch run is writing this file"
                      : "Couldn't lock file " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FILE *file = fdopen(fd, "r+");
    if (file == nullptr) {
        close(fd);
        *error = "Couldn't write file " + path;
    }
    return file;
}

// The next line of file without its line end, NUL bytes kept; false at the
// end. *complete: the line ended with a line end.
bool next_line(FILE *file, std::string *line, bool *complete) {
    line->clear();
    int c;
    while ((c = std::getc(file)) != EOF && c != '\n') line->push_back(static_cast<char>(c));
    *complete = c == '\n';
    return c != EOF || !line->empty();
}

}  // namespace

bool open_for_resume(const std::string &path, const pair_list &pairs, size_t first, size_t end,
                     const std::string &header, resume_point *point, std::string *error) {
    // The header's fields less the two names and the warnings.
    const std::vector<std::string> columns = tab_fields(header.substr(0, header.size() - 1));
    const bool warnings_column = columns.back() == BATCH_WARNINGS_NAME;
    const size_t value_count = columns.size() - 2 - warnings_column;
    FILE *file = open_locked(path, error);
    if (file == nullptr) return false;
    size_t kept = 0;  // bytes of complete, checked lines
    long line_number = 0;
    std::string line;
    bool complete;
    while (next_line(file, &line, &complete) && complete) {
        ++line_number;
        if (line_number == 1) {
            if (line + "\n" != header)
                return give_up(file,
                               line.compare(0, 12, "file1\tfile2\t") == 0
                                   ? path +
                                         ": the header's columns are not this command line's (the run that "
                                         "began the file had other --metrics, -domains or --warnings)"
                                   : path + ": the first line is not the header of pairfit-batch's rows",
                               error);
        } else {
            size_t row = first + point->rows_done;
            const row_check check =
                row < end ? check_row(line, pairs, pair_at(pairs, row), value_count, warnings_column)
                          : NOT_THE_PAIR;
            const std::string where = path + ", line " + std::to_string(line_number) + ": ";
            if (check == NOT_THE_PAIR)
                return give_up(file,
                               where + "not the row of the pair list's pair " +
                                   (row >= end ? std::string("(the list has fewer pairs)")
                                               : std::to_string(row - first + 1)) +
                                   "; the file does not belong to this command line",
                               error);
            if (check == BAD_VALUES)
                return give_up(file,
                               where + "the row of pair " + std::to_string(row - first + 1) +
                                   " does not hold " + std::to_string(value_count) +
                                   " numbers or a message; the file is damaged",
                               error);
            ++point->rows_done;
            point->rows_failed += check == MESSAGE_ROW;
        }
        kept += line.size() + 1;
    }
    // A torn last line (no line end) is cut off and written again.
    if (std::ferror(file)) return give_up(file, "Error reading file " + path, error);
    if (ftruncate(fileno(file), static_cast<off_t>(kept)) != 0 || std::fseek(file, 0, SEEK_END) != 0 ||
        (kept == 0 && (std::fputs(header.c_str(), file) < 0 || std::fflush(file) != 0)))
        return give_up(file, "Couldn't write file " + path + ": " + std::strerror(errno), error);
    point->out = file;
    return true;
}
