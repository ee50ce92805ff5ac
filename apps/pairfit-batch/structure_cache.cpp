#include "structure_cache.h"

#include <cstdio>

#include "arguments.h"

void read_cached_structure(const std::string &path, cached_structure *entry) {
    entry->atoms = pairfit::structure();
    entry->error.clear();
    if (path.size() > MAX_PATH_LENGTH) {
        entry->error = "File name too long: " + path;
        return;
    }
    pairfit::read_options options;
    options.on_warning = [](const std::string &message) {
        std::fprintf(stderr, "%s\n", message.c_str());
    };
    try {
        entry->atoms = pairfit::read_structure(path, options);
    } catch (const pairfit::read_error &e) {
        entry->error = e.what();
    }
}
