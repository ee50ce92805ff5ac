#include "structure_cache.h"

#include <cstdio>

#include "arguments.h"
#include "named_structure.h"

void read_cached_structure(const std::string &name, std::size_t max_atoms, cached_structure *entry) {
    entry->atoms = pairfit::structure();
    entry->error.clear();
    if (name.size() > MAX_PATH_LENGTH) {
        entry->error = "File name too long: " + name;
        return;
    }
    try {
        entry->atoms = read_named_structure(name, max_atoms);
    } catch (const pairfit::read_error &e) {
        entry->error = e.what();
    }
}
