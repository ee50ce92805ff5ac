// The subsets that growth paths have reached, shared by the search threads.
//
// A subset is known by a fingerprint: its size and two independent 64-bit
// Zobrist hashes (the exclusive-or of a random key per member pair). Two
// different subsets of the same size share a fingerprint with probability
// 2^-128; with a billion subsets recorded the chance that any two collide is
// below 10^-20.
#ifndef PAIRFIT_FAST_PATH_SET_H
#define PAIRFIT_FAST_PATH_SET_H

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace pairfit {
namespace detail {

struct subset_fingerprint {
    std::uint64_t hash1 = 0, hash2 = 0;
    int size = 0;
};

// The random keys of n pairs, the same on every run.
class zobrist_keys {
public:
    explicit zobrist_keys(int n);
    // Adds pair k to (or removes it from) a fingerprint.
    void toggle(subset_fingerprint &f, int k, int size_change) const {
        f.hash1 ^= keys_[2 * static_cast<std::size_t>(k)];
        f.hash2 ^= keys_[2 * static_cast<std::size_t>(k) + 1];
        f.size += size_change;
    }

private:
    std::vector<std::uint64_t> keys_;
};

// Fingerprints with the path (seed) that reached each first. Holds at most
// `capacity` of them, so that memory stays linear in the number of pairs;
// when full it records nothing more, which only means later paths are not
// cut. Used by one thread only, it takes no locks.
class path_set {
public:
    explicit path_set(std::size_t capacity, bool shared = true);
    ~path_set();
    // Records f as reached by path `owner`, unless it was reached before:
    // then returns true and sets *first_owner to the path that reached it.
    bool reached_before(const subset_fingerprint &f, int owner, int *first_owner);
    // Starts loading the place where f would be recorded, so that a
    // reached_before a little later finds it in the cache.
    void prefetch(const subset_fingerprint &f) const;
    std::size_t size() const;
    static constexpr std::size_t bytes_per_entry = 24;

private:
    struct shard;
    std::vector<std::unique_ptr<shard>> shards_;
    std::size_t shard_capacity_;
    bool shared_;
};

}  // namespace detail
}  // namespace pairfit

#endif
