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
    std::call_once(s->read, [&] { read_cached_structure(files_[file], &s->value); });
    return std::shared_ptr<const cached_structure>(s, &s->value);
}
