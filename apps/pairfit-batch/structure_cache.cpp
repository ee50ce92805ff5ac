#include "structure_cache.h"

#include <cstdio>

#include "arguments.h"
#include "named_structure.h"

void read_cached_structure(const std::string &name, std::size_t max_atoms, cached_structure *entry) {
    entry->atoms = pairfit::structure();
    entry->error.clear();
    entry->limit_hint = false;
    entry->warnings.clear();
    if (name.size() > MAX_PATH_LENGTH) {
        entry->error = "File name too long: " + name;
        return;
    }
    try {
        entry->atoms = read_named_structure(name, max_atoms,
                                            [entry](const std::string &w) { entry->warnings.push_back(w); });
    } catch (const pairfit::read_error &e) {
        entry->error = e.what();
        entry->limit_hint = atom_limit_hint_applies(e, max_atoms);
    }
}

std::shared_ptr<const cached_structure> structure_cache::get(int file) {
    std::shared_ptr<slot> s;
    {
        std::lock_guard<std::mutex> hold(lock_);
        auto found = slots_.find(file);
        if (found != slots_.end()) {
            recent_.splice(recent_.begin(), recent_, found->second.second);
            s = found->second.first;
        } else {
            s = std::make_shared<slot>();
            recent_.push_front(file);
            slots_.emplace(file, std::make_pair(s, recent_.begin()));
            while (slots_.size() > capacity_) {
                slots_.erase(recent_.back());
                recent_.pop_back();
            }
        }
    }
    std::call_once(s->read, [&] { read_cached_structure(files_[file], max_atoms_, &s->value); });
    return std::shared_ptr<const cached_structure>(s, &s->value);
}
