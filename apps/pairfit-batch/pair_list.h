// The pairs of a batch run: which file is compared with which, in the order
// of the output rows, and the slice of them that one shard runs.
#ifndef PAIRFIT_BATCH_PAIR_LIST_H
#define PAIRFIT_BATCH_PAIR_LIST_H

#include <cstddef>
#include <string>
#include <vector>

enum pair_mode {
    AGAINST_FIRST,  // the first file (the reference) against each of the others
    ALL_PAIRS,      // every ordered pair (a, b) of different files, by a, then b
    LISTED_PAIRS,   // the pairs as listed
};

struct file_pair {
    int file1, file2;  // indices into pair_list::files
};

struct pair_list {
    std::vector<std::string> files;  // distinct file names, in order of first appearance
    pair_mode mode;
    std::vector<int> members;       // AGAINST_FIRST, ALL_PAIRS: the files, in order
    std::vector<file_pair> listed;  // LISTED_PAIRS
};

// names[0] against names[1], names[2], ... (file 1 is always names[0]).
void make_pairs_against_first(pair_list *list, const std::vector<std::string> &names);

// Every ordered pair of different names; a name given twice counts once.
void make_all_pairs(pair_list *list, const std::vector<std::string> &names);

// names[0] with names[1], names[2] with names[3], ...
void make_listed_pairs(pair_list *list, const std::vector<std::string> &names);

size_t pair_count(const pair_list &list);

// The pair of row `row` (0 <= row < pair_count).
file_pair pair_at(const pair_list &list, size_t row);

// Rows [*first, *end) of `total` for shard k of n (1 <= k <= n): n consecutive
// slices whose sizes differ by at most one, so that the slices for
// k = 1, ..., n, one after the other, are rows 0 to total - 1.
void shard_range(size_t total, int k, int n, size_t *first, size_t *end);

// Appends the names in the text file at path to *names: with per_line 1 each
// line is one name, with per_line 2 each line holds two names separated by
// blanks or tabs. Blanks around names and blank lines are ignored. Returns
// false, with the reason in *error, when the file cannot be read or a line
// does not hold per_line names.
bool read_name_file(const char *path, int per_line, std::vector<std::string> *names, std::string *error);

#endif
