#include "structure_cache.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "structure/reader.h"

namespace {

// The reader's message for status, as one line without the line end.
std::string read_error_text(int status, const char *path) {
    char *text = nullptr;
    size_t size = 0;
    FILE *out = open_memstream(&text, &size);
    if (out == nullptr) return std::string("Couldn't read file ") + path;
    print_read_error(out, status, path);
    std::fclose(out);
    std::string message(text, size);
    std::free(text);
    while (!message.empty() && message.back() == '\n') message.pop_back();
    return message;
}

}  // namespace

void read_structure(const std::string &path, molecule *scratch, cached_structure *entry) {
    entry->atoms.clear();
    entry->error.clear();
    if (path.size() >= PATH_SIZE) {
        entry->error = "File name too long: " + path;
        return;
    }
    std::memcpy(scratch->filename, path.c_str(), path.size() + 1);
    int status = read_ca_file(scratch);
    if (status != READ_OK) {
        entry->error = read_error_text(status, path.c_str());
        return;
    }
    entry->atoms.assign(scratch->atoms, scratch->atoms + scratch->natoms);
}

void load_structure(const cached_structure &entry, const std::string &path, molecule *mol) {
    int n = static_cast<int>(entry.atoms.size());
    if (n > 0) std::memcpy(mol->atoms, entry.atoms.data(), sizeof(atom) * static_cast<size_t>(n));
    mol->natoms = n;
    std::memcpy(mol->filename, path.c_str(), path.size() + 1);
}
