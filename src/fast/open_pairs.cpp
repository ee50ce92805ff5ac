#include "fast/open_pairs.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace pairfit {
namespace detail {

namespace {

const float NOT_OPEN = std::numeric_limits<float>::infinity();
const double INFINITY_DISTANCE = std::numeric_limits<double>::infinity();
// The near set holds at least this many pairs; with fewer than four times
// as many open, every pass covers them all.
const int NEAR_LEAST = 64;
const int LANES = 8;
const double UNIT_ROUNDOFF = 0x1p-24;  // single precision
// Beyond this coordinate size (Angstrom) squares could overflow single
// precision; no protein comes near it.
const double LARGEST_EXTENT = 1e6;

// Slots come in chunks of 32: a pass keeps the lowest estimate of each
// chunk, so that finding the few low ones looks at one value a chunk.
const int CHUNK = 32;

int padded(int n) { return (n + CHUNK - 1) / CHUNK * CHUNK; }

// Estimates of the squared deviations of `count` (a multiple of 32) slots
// under rotation r and translation t (the second structure's point b goes to
// r b + t) into estimate, the lowest of each chunk into chunk_lowest;
// returns the lowest of all. A slot whose x1 is infinite (taken, or
// padding) gets an infinite estimate. Written in vectors of eight so that
// the compiler keeps to one group at a time.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(PAIRFIT_PORTABLE)
__attribute__((target_clones("avx2", "default")))
#endif
float estimate_all(const float *x1, const float *y1, const float *z1, const float *x2, const float *y2,
                   const float *z2, int count, const float r[9], const float t[3], float *estimate,
                   float *chunk_lowest) {
    typedef float eight __attribute__((vector_size(32)));
    const eight r0 = r[0] + eight{}, r1 = r[1] + eight{}, r2 = r[2] + eight{}, r3 = r[3] + eight{},
                r4 = r[4] + eight{}, r5 = r[5] + eight{}, r6 = r[6] + eight{}, r7 = r[7] + eight{},
                r8 = r[8] + eight{};
    const eight tx = t[0] + eight{}, ty = t[1] + eight{}, tz = t[2] + eight{};
    float least = NOT_OPEN;
    for (int c = 0; c < count; c += CHUNK) {
        eight lowest = NOT_OPEN + eight{};
        for (int g = c; g < c + CHUNK; g += LANES) {
            eight ax, ay, az, bx, by, bz;
            std::memcpy(&ax, x1 + g, sizeof ax);
            std::memcpy(&ay, y1 + g, sizeof ay);
            std::memcpy(&az, z1 + g, sizeof az);
            std::memcpy(&bx, x2 + g, sizeof bx);
            std::memcpy(&by, y2 + g, sizeof by);
            std::memcpy(&bz, z2 + g, sizeof bz);
            const eight dx = ax - (r0 * bx + r1 * by + r2 * bz) - tx;
            const eight dy = ay - (r3 * bx + r4 * by + r5 * bz) - ty;
            const eight dz = az - (r6 * bx + r7 * by + r8 * bz) - tz;
            const eight e = dx * dx + dy * dy + dz * dz;
            std::memcpy(estimate + g, &e, sizeof e);
            lowest = e < lowest ? e : lowest;
        }
        float chunk = lowest[0];
        for (int i = 1; i < LANES; ++i) chunk = lowest[i] < chunk ? lowest[i] : chunk;
        chunk_lowest[c / CHUNK] = chunk;
        least = chunk < least ? chunk : least;
    }
    return least;
}

// The slots (ascending) of the estimates that are at most limit, into
// slots; returns how many. Only chunks whose lowest is at most limit are
// looked through, few are, and without a branch per slot.
int slots_at_most(const float *estimate, const float *chunk_lowest, int count, float limit, int *slots) {
    int found = 0;
    for (int c = 0; c < count; c += CHUNK) {
        if (!(chunk_lowest[c / CHUNK] <= limit)) continue;
        std::uint32_t marks = 0;
        for (int s = 0; s < CHUNK; ++s) marks |= static_cast<std::uint32_t>(estimate[c + s] <= limit) << s;
        for (; marks != 0; marks &= marks - 1) slots[found++] = c + __builtin_ctz(marks);
    }
    return found;
}

}  // namespace

single_precision_pairs::single_precision_pairs(const std::vector<point> &first,
                                               const std::vector<point> &second)
    : n_(static_cast<int>(std::min(first.size(), second.size()))), coordinates_(6 * static_cast<std::size_t>(n_)) {
    const std::vector<point> *structures[2] = {&first, &second};
    for (int s = 0; s < 2; ++s)
        for (int c = 0; c < 3; ++c) {
            double low = 0.0, high = 0.0;
            for (int k = 0; k < n_; ++k) {
                const double v = (*structures[s])[k][c];
                if (k == 0 || v < low) low = v;
                if (k == 0 || v > high) high = v;
            }
            origin_[s][c] = low + (high - low) / 2;
            extent_ = std::max(extent_, (high - low) / 2);
        }
    usable_ = extent_ < LARGEST_EXTENT;
    for (int k = 0; k < n_; ++k)
        for (int s = 0; s < 2; ++s)
            for (int c = 0; c < 3; ++c)
                coordinates_[6 * static_cast<std::size_t>(k) + 3 * s + c] =
                    static_cast<float>((*structures[s])[k][c] - origin_[s][c]);
}

slot_list::slot_list(int pairs)
    : pair_of_slot(padded(pairs), -1), slot_of_pair(pairs, -1), x1(padded(pairs)), y1(padded(pairs)),
      z1(padded(pairs)), x2(padded(pairs)), y2(padded(pairs)), z2(padded(pairs)) {}

void slot_list::clear() {
    for (int s = 0; s < count; ++s)
        if (pair_of_slot[s] >= 0) slot_of_pair[pair_of_slot[s]] = -1;
    count = taken_since = 0;
}

void slot_list::append(const float *c, int pair) {
    x1[count] = c[0], y1[count] = c[1], z1[count] = c[2];
    x2[count] = c[3], y2[count] = c[4], z2[count] = c[5];
    pair_of_slot[count] = pair;
    slot_of_pair[pair] = count++;
}

void slot_list::finish() {
    for (int s = count; s < padded(count); ++s) close(s);
}

void slot_list::take(int pair) {
    const int slot = slot_of_pair[pair];
    if (slot < 0) return;
    close(slot);
    slot_of_pair[pair] = -1;
    // Passes skip nothing, so the taken slots are squeezed out once they
    // are a quarter of the list.
    if (4 * ++taken_since > count) compact();
}

void slot_list::compact() {
    int kept = 0;
    for (int s = 0; s < count; ++s) {
        if (pair_of_slot[s] < 0) continue;
        x1[kept] = x1[s], y1[kept] = y1[s], z1[kept] = z1[s];
        x2[kept] = x2[s], y2[kept] = y2[s], z2[kept] = z2[s];
        pair_of_slot[kept] = pair_of_slot[s];
        slot_of_pair[pair_of_slot[s]] = kept++;
    }
    for (int s = kept; s < padded(count); ++s) close(s);
    count = kept;
    taken_since = 0;
}

void slot_list::close(int slot) {
    x1[slot] = NOT_OPEN;
    x2[slot] = y2[slot] = z2[slot] = 0.0f;  // finite, so that the estimate is infinite
    pair_of_slot[slot] = -1;
}

float slot_list::estimate(const float r[9], const float t[3], float *out, float *chunk_lowest) const {
    return estimate_all(x1.data(), y1.data(), z1.data(), x2.data(), y2.data(), z2.data(), padded(count), r, t,
                        out, chunk_lowest);
}

open_pairs::open_pairs(const single_precision_pairs &all)
    : all_(all), open_(all.size()), near_(all.size()), ring_of_(all.size()), estimate_(padded(all.size())),
      chunk_lowest_(padded(all.size()) / CHUNK), found_(padded(all.size())) {}

void open_pairs::reset(const double *radius) {
    open_.clear();
    near_.clear();
    split_ = false;
    const int n = all_.size();
    for (int k = 0; k < n; ++k) open_.append(&all_.coordinates_[6 * static_cast<std::size_t>(k)], k);
    open_.finish();
    double widest = 0.0;
    for (int k = 0; k < n; ++k) widest = std::max(widest, radius[k]);
    std::fill(ring_radius_, ring_radius_ + RINGS, 0.0);
    for (int k = 0; k < n; ++k) {
        const int ring = widest > 0 ? std::min(RINGS - 1, static_cast<int>(radius[k] / widest * RINGS)) : 0;
        ring_of_[k] = static_cast<unsigned char>(ring);
        ring_radius_[ring] = std::max(ring_radius_[ring], radius[k]);
    }
}

void open_pairs::take(int pair) {
    open_.take(pair);
    near_.take(pair);
}

double open_pairs::fit_about_origins(const rigid_fit &fit, float r[9], float t[3]) const {
    double largest_shift = 0.0;
    for (int i = 0; i < 3; ++i) {
        double moved = 0.0;
        for (int j = 0; j < 3; ++j) moved += fit.rotation[3 * i + j] * (fit.centre2[j] - all_.origin_[1][j]);
        const double shift = fit.centre1[i] - all_.origin_[0][i] - moved;
        t[i] = static_cast<float>(shift);
        largest_shift = std::max(largest_shift, std::fabs(shift));
    }
    for (int i = 0; i < 9; ++i) r[i] = static_cast<float>(fit.rotation[i]);
    // Each coordinate of an estimated difference is within this of the one
    // in exact arithmetic: about thirty roundings of values at most three
    // extents plus the shift, with room to spare.
    return 64 * UNIT_ROUNDOFF * (3 * all_.extent_ + largest_shift);
}

void open_pairs::gather(const slot_list &list, float lowest, double error, std::vector<int> &out) {
    out.clear();
    if (lowest == NOT_OPEN) return;
    // An estimated deviation is within sqrt(3) error, and its square root
    // within a relative 3 units of roundoff, of the true one; any pair whose
    // true deviation is the smallest then has an estimate within twice
    // that of the lowest one.
    const double reach = std::sqrt(static_cast<double>(lowest)) * (1 + 1e-6) + 4 * error;
    const float limit = std::nextafter(static_cast<float>(reach * reach), NOT_OPEN);
    const int found = slots_at_most(estimate_.data(), chunk_lowest_.data(), padded(list.count), limit, found_.data());
    for (int i = 0; i < found; ++i) out.push_back(list.pair_of_slot[found_[i]]);
}

bool open_pairs::near_candidates(const rigid_fit &fit, std::vector<int> &out) {
    if (!split_) return false;
    float r[9], t[3];
    const double error = fit_about_origins(fit, r, t);
    estimates_ += padded(near_.count);
    gather(near_, near_.estimate(r, t, estimate_.data(), chunk_lowest_.data()), error, out);
    return true;
}

double open_pairs::far_floor(double turn, double shift) const {
    if (!split_) return INFINITY_DISTANCE;
    double floor = INFINITY_DISTANCE;
    for (int ring = 0; ring < RINGS; ++ring)
        floor = std::min(floor, ring_floor_[ring] - (turn - turn_at_) * ring_radius_[ring]);
    return floor - (shift - shift_at_);
}

void open_pairs::regroup(const rigid_fit &fit, double turn, double shift, std::vector<int> &out) {
    float r[9], t[3];
    const double error = fit_about_origins(fit, r, t);
    estimates_ += padded(open_.count);
    const float lowest = open_.estimate(r, t, estimate_.data(), chunk_lowest_.data());
    gather(open_, lowest, error, out);
    // The near set: the open pairs whose estimate is within window_ of
    // the lowest, the window kept so that they are about a quarter of the
    // open pairs (all when they are few).
    near_.clear();
    split_ = false;
    const int open = open_.count - open_.taken_since;
    if (open < 4 * NEAR_LEAST) return;
    const double reach = std::sqrt(static_cast<double>(lowest)) + window_;
    const float last_near = static_cast<float>(reach * reach);
    float ring_lowest[RINGS];
    std::fill(ring_lowest, ring_lowest + RINGS, NOT_OPEN);
    for (int s = 0; s < open_.count; ++s) {
        const int k = open_.pair_of_slot[s];
        if (k < 0) continue;
        if (estimate_[s] <= last_near)
            near_.append(&all_.coordinates_[6 * static_cast<std::size_t>(k)], k);
        else
            ring_lowest[ring_of_[k]] = std::min(ring_lowest[ring_of_[k]], estimate_[s]);
    }
    const int wanted = std::max(NEAR_LEAST, open / 4);
    if (2 * near_.count < wanted) window_ *= 1.5;
    if (near_.count > 2 * wanted) window_ /= 1.5;
    // A lower bound on the true deviations (see gather).
    for (int ring = 0; ring < RINGS; ++ring)
        ring_floor_[ring] = ring_lowest[ring] == NOT_OPEN
                                ? INFINITY_DISTANCE
                                : std::sqrt(static_cast<double>(ring_lowest[ring])) * (1 - 1e-6) - 2 * error;
    near_.finish();
    turn_at_ = turn;
    shift_at_ = shift;
    split_ = true;
}

}  // namespace detail
}  // namespace pairfit
