#include "rows_file.h"

#include "row_output.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <vector>

bool read_rows_file(const std::string &path, pairfit::batch_table *table, std::string *error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "Couldn't open file " + path;
        return false;
    }
    const bool known_files = !table->files.empty();
    std::map<std::string, int> index;
    for (size_t i = 0; i < table->files.size(); ++i) index.emplace(table->files[i], static_cast<int>(i));
    std::string line;
    long line_number = 0;
    while (std::getline(in, line)) {
        ++line_number;
        std::vector<std::string> fields = tab_fields(line);
        if (line_number == 1) {
            if (fields.size() < 8 || fields[0] != "file1" || fields[1] != "file2") {
                *error = path + ": the first line is not the header of pairfit-batch's rows";
                return false;
            }
            table->warnings_column = fields.back() == BATCH_WARNINGS_NAME;
            continue;
        }
        std::string warnings;
        if (table->warnings_column) {
            warnings = fields.back();
            fields.pop_back();
        }
        if (fields.size() != 3 && fields.size() < 8) {
            *error = path + ", line " + std::to_string(line_number) + ": not a row of pairfit-batch";
            return false;
        }
        int file[2];
        for (int f = 0; f < 2; ++f) {
            auto found = index.find(fields[f]);
            if (found == index.end()) {
                if (known_files) {
                    *error = path + ", line " + std::to_string(line_number) + ": " + fields[f] +
                             " is not a file of this run";
                    return false;
                }
                found = index.emplace(fields[f], static_cast<int>(table->files.size())).first;
                table->files.push_back(fields[f]);
            }
            file[f] = found->second;
        }
        pairfit::batch_entry entry;
        entry.file1 = file[0];
        entry.file2 = file[1];
        entry.warnings = warnings;
        if (fields.size() == 3) {
            entry.error = fields[2];
        } else {
            for (size_t k = 2; k < 8; ++k) entry.values += (k > 2 ? "\t" : "") + fields[k];
        }
        table->entries.push_back(entry);
    }
    if (in.bad() || line_number == 0) {
        *error = line_number == 0 ? path + ": no header line" : "Error reading file " + path;
        return false;
    }
    if (!known_files) {
        std::set<std::pair<int, int>> ordered;
        for (const pairfit::batch_entry &e : table->entries)
            if (e.file1 != e.file2) ordered.insert({e.file1, e.file2});
        const size_t n = table->files.size();
        table->all_pairs = n >= 2 && ordered.size() == n * (n - 1);
    }
    return true;
}
