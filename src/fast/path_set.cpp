#include "fast/path_set.h"

namespace pairfit {
namespace detail {

namespace {

// splitmix64: a well-mixed 64-bit value from a counter.
std::uint64_t mix(std::uint64_t x) {
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

const int SHARD_BITS = 6;  // 64 shards, each with its own lock

}  // namespace

zobrist_keys::zobrist_keys(int n) : keys_(2 * static_cast<std::size_t>(n > 0 ? n : 0)) {
    for (std::size_t i = 0; i < keys_.size(); ++i) keys_[i] = mix(0x5eed0000ULL + i);
}

// Open addressing with linear probing; size 0 marks an empty slot.
struct path_set::shard {
    struct entry {
        std::uint64_t hash1, hash2;
        int size, owner;
    };
    std::mutex lock;
    std::vector<entry> slots;
    std::size_t used = 0;

    entry *find(std::vector<entry> &table, const subset_fingerprint &f) {
        std::size_t mask = table.size() - 1;
        for (std::size_t i = f.hash1 & mask;; i = (i + 1) & mask) {
            entry &e = table[i];
            if (e.size == 0 || (e.hash1 == f.hash1 && e.hash2 == f.hash2 && e.size == f.size)) return &e;
        }
    }
    // Shards start small: a comparison of a small protein records a few
    // hundred subsets in all, and pairfit-batch makes a set per comparison.
    void grow() {
        std::vector<entry> bigger(slots.empty() ? 16 : 2 * slots.size(), entry{0, 0, 0, 0});
        for (const entry &e : slots)
            if (e.size != 0) *find(bigger, subset_fingerprint{e.hash1, e.hash2, e.size}) = e;
        slots.swap(bigger);
    }
};
path_set::path_set(std::size_t capacity, bool shared)
    : shard_capacity_(capacity >> SHARD_BITS), shared_(shared) {
    for (int i = 0; i < (1 << SHARD_BITS); ++i) shards_.emplace_back(new shard);
}

path_set::~path_set() = default;

void path_set::prefetch(const subset_fingerprint &f) const {
    shard &s = *shards_[f.hash2 >> (64 - SHARD_BITS)];
    std::unique_lock<std::mutex> hold(s.lock, std::defer_lock);
    if (shared_) hold.lock();
    if (!s.slots.empty()) __builtin_prefetch(&s.slots[f.hash1 & (s.slots.size() - 1)]);
}

bool path_set::reached_before(const subset_fingerprint &f, int owner, int *first_owner) {
    shard &s = *shards_[f.hash2 >> (64 - SHARD_BITS)];
    std::unique_lock<std::mutex> hold(s.lock, std::defer_lock);
    if (shared_) hold.lock();
    if (!s.slots.empty()) {
        shard::entry *e = s.find(s.slots, f);
        if (e->size != 0) {
            *first_owner = e->owner;
            return true;
        }
    }
    if (s.used >= shard_capacity_) return false;
    if (2 * (s.used + 1) > s.slots.size()) s.grow();  // kept at most half full
    shard::entry *e = s.find(s.slots, f);
    *e = shard::entry{f.hash1, f.hash2, f.size, owner};
    ++s.used;
    return false;
}

std::size_t path_set::size() const {
    std::size_t total = 0;
    for (const auto &s : shards_) {
        std::lock_guard<std::mutex> hold(s->lock);
        total += s->used;
    }
    return total;
}

}  // namespace detail
}  // namespace pairfit
