// The structures of a batch run, read when a pair first needs them and kept
// in a cache of bounded size, so that memory does not grow with the number
// of files.
#ifndef PAIRFIT_BATCH_STRUCTURE_CACHE_H
#define PAIRFIT_BATCH_STRUCTURE_CACHE_H

#include <cstddef>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "pairfit/structure.h"

struct cached_structure {
    pairfit::structure atoms;           // the C-alpha atoms as read
    std::string error;                  // empty when the file was read; else why not, one line
    bool limit_hint = false;            // the error is followed by ATOM_LIMIT_HINT
    std::vector<std::string> warnings;  // the reader's, in the order it gave them
};

// Reads the C-alpha atoms that name stands for (FILE or FILE@SELECTION)
// into *entry. A name too long for pairfit, a file that cannot be opened or
// read, one with more atoms than max_atoms, and a selection that does not
// parse or matches nothing leave the message that pairfit prints, without
// the line end, in entry->error. Warnings go to entry->warnings only: the
// rows print them in row order. Every structure of a batch run is read
// through this function.
void read_cached_structure(const std::string &name, std::size_t max_atoms, cached_structure *entry);

// The most recently used structures, at most `capacity` of them, each read
// once while it stays in the cache; threads asking for the same file wait
// for one read. A structure stays alive as long as a caller holds it.
class structure_cache {
public:
    structure_cache(const std::vector<std::string> &files, size_t capacity, std::size_t max_atoms)
        : files_(files), capacity_(capacity > 0 ? capacity : 1), max_atoms_(max_atoms) {}

    std::shared_ptr<const cached_structure> get(int file);

private:
    struct slot {
        std::once_flag read;
        cached_structure value;
    };
    const std::vector<std::string> &files_;
    size_t capacity_;
    std::size_t max_atoms_;
    std::mutex lock_;
    std::list<int> recent_;  // most recently used first
    std::unordered_map<int, std::pair<std::shared_ptr<slot>, std::list<int>::iterator>> slots_;
};

#endif
