#include "pair_list.h"

#include <cstdio>
#include <fstream>
#include <unordered_map>

namespace {

// The index of name in list->files, adding it at the end if it is new.
int file_index(pair_list *list, std::unordered_map<std::string, int> *index, const std::string &name) {
    auto found = index->find(name);
    if (found != index->end()) return found->second;
    int i = static_cast<int>(list->files.size());
    list->files.push_back(name);
    (*index)[name] = i;
    return i;
}

void start_list(pair_list *list, pair_mode mode) {
    list->files.clear();
    list->members.clear();
    list->listed.clear();
    list->mode = mode;
}

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// Splits line into words separated by blanks.
std::vector<std::string> split_words(const std::string &line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && is_blank(line[i])) ++i;
        size_t start = i;
        while (i < line.size() && !is_blank(line[i])) ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

std::string trimmed(const std::string &line) {
    size_t begin = 0, end = line.size();
    while (begin < end && is_blank(line[begin])) ++begin;
    while (end > begin && is_blank(line[end - 1])) --end;
    return line.substr(begin, end - begin);
}

}  // namespace

void make_pairs_against_first(pair_list *list, const std::vector<std::string> &names) {
    start_list(list, AGAINST_FIRST);
    std::unordered_map<std::string, int> index;
    for (const std::string &name : names) list->members.push_back(file_index(list, &index, name));
}

void make_all_pairs(pair_list *list, const std::vector<std::string> &names) {
    start_list(list, ALL_PAIRS);
    std::unordered_map<std::string, int> index;
    for (const std::string &name : names) {
        size_t known = list->files.size();
        int i = file_index(list, &index, name);
        if (list->files.size() > known) list->members.push_back(i);
    }
}

void make_listed_pairs(pair_list *list, const std::vector<std::string> &names) {
    start_list(list, LISTED_PAIRS);
    std::unordered_map<std::string, int> index;
    for (size_t i = 0; i + 1 < names.size(); i += 2) {
        file_pair p;
        p.file1 = file_index(list, &index, names[i]);
        p.file2 = file_index(list, &index, names[i + 1]);
        list->listed.push_back(p);
    }
}

size_t pair_count(const pair_list &list) {
    size_t n = list.members.size();
    switch (list.mode) {
    case AGAINST_FIRST:
        return n == 0 ? 0 : n - 1;
    case ALL_PAIRS:
        return n == 0 ? 0 : n * (n - 1);
    case LISTED_PAIRS:
        return list.listed.size();
    }
    return 0;
}

file_pair pair_at(const pair_list &list, size_t row) {
    file_pair p;
    switch (list.mode) {
    case AGAINST_FIRST:
        p.file1 = list.members[0];
        p.file2 = list.members[row + 1];
        break;
    case ALL_PAIRS: {
        // Row a * (n - 1) + r pairs member a with the r-th of the others.
        size_t others = list.members.size() - 1;
        size_t a = row / others, r = row % others;
        p.file1 = list.members[a];
        p.file2 = list.members[r < a ? r : r + 1];
        break;
    }
    case LISTED_PAIRS:
        p = list.listed[row];
        break;
    }
    return p;
}

void shard_range(size_t total, int k, int n, size_t *first, size_t *end) {
    // total * j / n without overflow: total = q * n + r.
    size_t q = total / static_cast<size_t>(n), r = total % static_cast<size_t>(n);
    size_t before = static_cast<size_t>(k - 1), through = static_cast<size_t>(k);
    *first = q * before + r * before / static_cast<size_t>(n);
    *end = q * through + r * through / static_cast<size_t>(n);
}

bool read_name_file(const char *path, int per_line, std::vector<std::string> *names, std::string *error) {
    std::ifstream in(path);
    if (!in) {
        *error = std::string("Couldn't open file ") + path;
        return false;
    }
    std::string line;
    long line_number = 0;
    while (std::getline(in, line)) {
        ++line_number;
        if (per_line == 1) {
            std::string name = trimmed(line);
            if (!name.empty()) names->push_back(name);
            continue;
        }
        std::vector<std::string> words = split_words(line);
        if (words.empty()) continue;
        if (words.size() != static_cast<size_t>(per_line)) {
            *error = std::string(path) + ", line " + std::to_string(line_number) + ": expected " +
                     std::to_string(per_line) + " file names, found " + std::to_string(words.size());
            return false;
        }
        names->insert(names->end(), words.begin(), words.end());
    }
    if (in.bad()) {
        *error = std::string("Error reading file ") + path;
        return false;
    }
    return true;
}
