#include "fast/open_pairs.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

// Hand-written versions for x86 processors with AVX2 or FMA, chosen at run
// time; the plain versions serve the others and the portable build.
#include "platform/processor_versions.h"
#ifdef PAIRFIT_X86_VERSIONS
#include <immintrin.h>
#endif

namespace pairfit {
namespace detail {

namespace {

const float NOT_OPEN = std::numeric_limits<float>::infinity();
const double INFINITY_DISTANCE = std::numeric_limits<double>::infinity();
// The near set holds at least this many pairs; with fewer than four times
// as many open, every pass covers them all.
const int NEAR_LEAST = 32;
const int LANES = 8;
const double UNIT_ROUNDOFF = 0x1p-24;  // single precision
// Beyond this coordinate size (Angstrom) squares could overflow single
// precision; no protein comes near it.
const double LARGEST_EXTENT = 1e6;

// Slots come in chunks of 32: a pass keeps the lowest estimate of each
// chunk, so that finding the few low ones looks at one value a chunk.
const int CHUNK = 32;

int padded(int n) {
    return (n + CHUNK - 1) / CHUNK * CHUNK;
}
// Passes cover whole groups of eight: the slots up to a list's count
// rounded up to that (the last chunk of a pass may be partial).
int in_groups(int n) {
    return (n + LANES - 1) / LANES * LANES;
}

// Estimates of the squared deviations of `count` (a multiple of 8) slots
// under rotation r and translation t (the second structure's point b goes to
// r b + t) into estimate, the lowest of each chunk of 32 (the last one
// may be partial) into chunk_lowest;
// returns the lowest of all. A slot whose x1 is infinite (taken, or
// padding) gets an infinite estimate. Written in vectors of eight so that
// the compiler keeps to one group at a time.
#ifdef PAIRFIT_X86_VERSIONS
__attribute__((target("default")))
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
        const int end = std::min(c + CHUNK, count);
        for (int g = c; g < end; g += LANES) {
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

#ifdef PAIRFIT_X86_VERSIONS
// The lowest of eight lanes.
__attribute__((target("fma"))) float lowest_lane(__m256 v) {
    __m128 four = _mm_min_ps(_mm256_castps256_ps128(v), _mm256_extractf128_ps(v, 1));
    four = _mm_min_ps(four, _mm_movehl_ps(four, four));
    return _mm_cvtss_f32(_mm_min_ss(four, _mm_shuffle_ps(four, four, 1)));
}

// The same with fused multiply-adds, which round less and so stay within
// the same error bound.
__attribute__((target("fma"))) float estimate_all(const float *x1, const float *y1, const float *z1,
                                                  const float *x2, const float *y2, const float *z2,
                                                  int count, const float r[9], const float t[3],
                                                  float *estimate, float *chunk_lowest) {
    const __m256 r0 = _mm256_set1_ps(r[0]), r1 = _mm256_set1_ps(r[1]), r2 = _mm256_set1_ps(r[2]),
                 r3 = _mm256_set1_ps(r[3]), r4 = _mm256_set1_ps(r[4]), r5 = _mm256_set1_ps(r[5]),
                 r6 = _mm256_set1_ps(r[6]), r7 = _mm256_set1_ps(r[7]), r8 = _mm256_set1_ps(r[8]);
    const __m256 tx = _mm256_set1_ps(t[0]), ty = _mm256_set1_ps(t[1]), tz = _mm256_set1_ps(t[2]);
    float least = NOT_OPEN;
    for (int c = 0; c < count; c += CHUNK) {
        __m256 lowest = _mm256_set1_ps(NOT_OPEN);
        const int end = std::min(c + CHUNK, count);
        for (int g = c; g < end; g += LANES) {
            const __m256 bx = _mm256_loadu_ps(x2 + g), by = _mm256_loadu_ps(y2 + g),
                         bz = _mm256_loadu_ps(z2 + g);
            const __m256 dx =
                _mm256_sub_ps(_mm256_loadu_ps(x1 + g),
                              _mm256_fmadd_ps(r2, bz, _mm256_fmadd_ps(r1, by, _mm256_fmadd_ps(r0, bx, tx))));
            const __m256 dy =
                _mm256_sub_ps(_mm256_loadu_ps(y1 + g),
                              _mm256_fmadd_ps(r5, bz, _mm256_fmadd_ps(r4, by, _mm256_fmadd_ps(r3, bx, ty))));
            const __m256 dz =
                _mm256_sub_ps(_mm256_loadu_ps(z1 + g),
                              _mm256_fmadd_ps(r8, bz, _mm256_fmadd_ps(r7, by, _mm256_fmadd_ps(r6, bx, tz))));
            const __m256 e = _mm256_fmadd_ps(dz, dz, _mm256_fmadd_ps(dy, dy, _mm256_mul_ps(dx, dx)));
            _mm256_storeu_ps(estimate + g, e);
            lowest = _mm256_min_ps(e, lowest);  // e where e < lowest, as in the plain version
        }
        const float chunk = lowest_lane(lowest);
        chunk_lowest[c / CHUNK] = chunk;
        least = chunk < least ? chunk : least;
    }
    return least;
}
#endif

// The slots (ascending) of the estimates that are at most limit, into
// slots; returns how many. Only chunks whose lowest is at most limit are
// looked through: few are, and few of their slots pass.
#ifdef PAIRFIT_X86_VERSIONS
__attribute__((target("default")))
#endif
int slots_at_most(const float *estimate, const float *chunk_lowest, int count, float limit, int *slots) {
    int found = 0;
    for (int c = 0; c < count; c += CHUNK) {
        if (!(chunk_lowest[c / CHUNK] <= limit)) continue;
        const int end = std::min(c + CHUNK, count);
        for (int s = c; s < end; ++s)
            if (estimate[s] <= limit) slots[found++] = s;
    }
    return found;
}

#ifdef PAIRFIT_X86_VERSIONS
// For each mask of eight lanes, the lanes set in it, in order, and how many:
// a group's passing slots are then stored in one move, without a branch per
// slot (which of them pass is as good as random to the processor).
struct lane_order {
    unsigned char lanes[256][8] = {};
    unsigned char count[256] = {};
    constexpr lane_order() {
        for (int mask = 0; mask < 256; ++mask)
            for (int lane = 0; lane < LANES; ++lane)
                if (mask & (1 << lane)) lanes[mask][count[mask]++] = static_cast<unsigned char>(lane);
    }
};
constexpr lane_order LANE_ORDER{};

// The same eight slots at a time. Stores eight values a group whatever
// passes, so slots has room for count + 8.
__attribute__((target("avx2"))) int slots_at_most(const float *estimate, const float *chunk_lowest, int count,
                                                  float limit, int *slots) {
    int found = 0;
    const __m256 bar = _mm256_set1_ps(limit);
    for (int c = 0; c < count; c += CHUNK) {
        if (!(chunk_lowest[c / CHUNK] <= limit)) continue;
        const int end = std::min(c + CHUNK, count);
        for (int g = c; g < end; g += LANES) {
            const unsigned marks = static_cast<unsigned>(
                _mm256_movemask_ps(_mm256_cmp_ps(_mm256_loadu_ps(estimate + g), bar, _CMP_LE_OQ)));
            std::int64_t packed;
            std::memcpy(&packed, LANE_ORDER.lanes[marks], sizeof packed);
            const __m256i lanes = _mm256_cvtepu8_epi32(_mm_cvtsi64_si128(packed));
            _mm256_storeu_si256(reinterpret_cast<__m256i *>(slots + found),
                                _mm256_add_epi32(lanes, _mm256_set1_epi32(g)));
            found += LANE_ORDER.count[marks];
        }
    }
    return found;
}
#endif

// Far deviations are clamped to this (Angstrom) in the envelope: a lower
// bound stays one, and the rounding stays small. Pairs join only below 100.
const float FAR_CLAMP = 200.0f;

// The number of turns at which the far pairs' bound is kept.
const int SAMPLES = 3;

// The far pairs' envelope: for each of the SAMPLES sampled turns, the
// lowest of min(deviation, FAR_CLAMP) - turn x distance over the far slots
// (estimate above last_near; closed slots, whose estimate is infinite, do
// not count) into lowest, the deviations taken from the estimates and the
// distances from o (x2, y2, z2 less o); returns the largest distance of a
// far slot. count is a multiple of 8; scratch holds 2 count values. The
// first loop is a plain one, which the compiler makes a vector loop (square
// roots included: the library never reads errno); the second is written in
// vectors of eight.
#ifdef PAIRFIT_X86_VERSIONS
__attribute__((target("default")))
#endif
float far_envelope(const float *estimate, const float *x2, const float *y2, const float *z2, int count,
                   float last_near, float ox, float oy, float oz, const float *turns, float *__restrict scratch,
                   float *lowest) {
    float *__restrict deviation = scratch, *__restrict distance = scratch + count;
    const float clamp2 = FAR_CLAMP * FAR_CLAMP;
    for (int s = 0; s < count; ++s) {
        const float e = estimate[s];
        const float dx = x2[s] - ox, dy = y2[s] - oy, dz = z2[s] - oz;
        deviation[s] = std::sqrt(e > last_near && e < NOT_OPEN ? (e < clamp2 ? e : clamp2) : NOT_OPEN);
        distance[s] = std::sqrt(dx * dx + dy * dy + dz * dz);
    }
    typedef float eight __attribute__((vector_size(32)));
    eight low[SAMPLES], turn[SAMPLES], wide = eight{};
    for (int j = 0; j < SAMPLES; ++j) low[j] = NOT_OPEN + eight{}, turn[j] = turns[j] + eight{};
    for (int g = 0; g < count; g += LANES) {
        eight d, r;
        std::memcpy(&d, deviation + g, sizeof d);
        std::memcpy(&r, distance + g, sizeof r);
        const eight far_distance = d < NOT_OPEN ? r : eight{};
        wide = far_distance > wide ? far_distance : wide;
        for (int j = 0; j < SAMPLES; ++j) {
            const eight bound = d - turn[j] * r;
            low[j] = bound < low[j] ? bound : low[j];
        }
    }
    float widest = 0.0f;
    for (int i = 0; i < LANES; ++i) widest = wide[i] > widest ? wide[i] : widest;
    for (int j = 0; j < SAMPLES; ++j) {
        float least = low[j][0];
        for (int i = 1; i < LANES; ++i) least = low[j][i] < least ? low[j][i] : least;
        lowest[j] = least;
    }
    return widest;
}

#ifdef PAIRFIT_X86_VERSIONS
// The same in one loop, with the processor's quick reciprocal square root
// (relative error below 1.5 x 2^-12) for the square roots: each deviation
// is lowered, and each distance raised, by a relative 2^-10, so that both
// stay on the safe side of the values the plain version computes.
__attribute__((target("fma"))) float far_envelope(const float *estimate, const float *x2, const float *y2,
                                                  const float *z2, int count, float last_near, float ox,
                                                  float oy, float oz, const float *turns, float *,
                                                  float *lowest) {
    const __m256 near_edge = _mm256_set1_ps(last_near), closed = _mm256_set1_ps(NOT_OPEN),
                 clamp2 = _mm256_set1_ps(FAR_CLAMP * FAR_CLAMP), tiny = _mm256_set1_ps(1e-30f),
                 lower = _mm256_set1_ps(1.0f - 0x1p-10f), upper = _mm256_set1_ps(1.0f + 0x1p-10f);
    const __m256 cx = _mm256_set1_ps(ox), cy = _mm256_set1_ps(oy), cz = _mm256_set1_ps(oz);
    __m256 low[SAMPLES], turn[SAMPLES], wide = _mm256_setzero_ps();
    for (int j = 0; j < SAMPLES; ++j) low[j] = closed, turn[j] = _mm256_set1_ps(turns[j]);
    for (int g = 0; g < count; g += LANES) {
        const __m256 e = _mm256_loadu_ps(estimate + g);
        const __m256 far =
            _mm256_and_ps(_mm256_cmp_ps(e, near_edge, _CMP_GT_OQ), _mm256_cmp_ps(e, closed, _CMP_LT_OQ));
        const __m256 clamped = _mm256_min_ps(e, clamp2);  // positive where far
        const __m256 root = _mm256_mul_ps(_mm256_mul_ps(clamped, _mm256_rsqrt_ps(clamped)), lower);
        const __m256 d =
            _mm256_or_ps(_mm256_and_ps(far, root), _mm256_andnot_ps(far, closed));  // infinite if not far
        const __m256 dx = _mm256_sub_ps(_mm256_loadu_ps(x2 + g), cx),
                     dy = _mm256_sub_ps(_mm256_loadu_ps(y2 + g), cy),
                     dz = _mm256_sub_ps(_mm256_loadu_ps(z2 + g), cz);
        const __m256 q =
            _mm256_max_ps(_mm256_fmadd_ps(dz, dz, _mm256_fmadd_ps(dy, dy, _mm256_mul_ps(dx, dx))), tiny);
        const __m256 r = _mm256_mul_ps(_mm256_mul_ps(q, _mm256_rsqrt_ps(q)), upper);
        wide = _mm256_max_ps(wide, _mm256_and_ps(far, r));
        for (int j = 0; j < SAMPLES; ++j) low[j] = _mm256_min_ps(low[j], _mm256_fnmadd_ps(turn[j], r, d));
    }
    for (int j = 0; j < SAMPLES; ++j) lowest[j] = lowest_lane(low[j]);
    return -lowest_lane(_mm256_sub_ps(_mm256_setzero_ps(), wide));  // the largest lane of wide
}
#endif

}  // namespace

single_precision_pairs::single_precision_pairs(const std::vector<gemmi::Vec3> &first,
                                               const std::vector<gemmi::Vec3> &second)
    : n_(static_cast<int>(std::min(first.size(), second.size()))), every_pair_(n_) {
    const std::vector<gemmi::Vec3> *structures[2] = {&first, &second};
    double largest = 0.0;
    for (int s = 0; s < 2; ++s)
        for (int c = 0; c < 3; ++c) {
            double low = 0.0, high = 0.0;
            for (int k = 0; k < n_; ++k) {
                const double v = component((*structures[s])[k], c);
                if (k == 0 || v < low) low = v;
                if (k == 0 || v > high) high = v;
            }
            component(origin_[s], c) = low + (high - low) / 2;
            extent_ = std::max(extent_, (high - low) / 2);
            largest = std::max({largest, std::fabs(low), std::fabs(high)});
        }
    // The same allowance as the search's own (relative to the largest
    // coordinate).
    margin_ = 1e-9 * (1.0 + largest);
    usable_ = extent_ < LARGEST_EXTENT;
    slot_list &all = every_pair_;
    for (int k = 0; k < n_; ++k) {
        const gemmi::Vec3 &a = first[k], &b = second[k];
        all.x1[k] = static_cast<float>(a.x - origin_[0].x);
        all.y1[k] = static_cast<float>(a.y - origin_[0].y);
        all.z1[k] = static_cast<float>(a.z - origin_[0].z);
        all.x2[k] = static_cast<float>(b.x - origin_[1].x);
        all.y2[k] = static_cast<float>(b.y - origin_[1].y);
        all.z2[k] = static_cast<float>(b.z - origin_[1].z);
        all.pair_of_slot[k] = all.slot_of_pair[k] = k;
    }
    all.count = n_;
    all.finish();
}

slot_list::slot_list(int pairs, bool squeezed_out)
    : squeezed(squeezed_out),
      pair_of_slot(padded(pairs), -1),
      slot_of_pair(pairs, -1),
      x1(padded(pairs)),
      y1(padded(pairs)),
      z1(padded(pairs)),
      x2(padded(pairs)),
      y2(padded(pairs)),
      z2(padded(pairs)) {}

void slot_list::clear() {
    for (int s = 0; s < count; ++s)
        if (pair_of_slot[s] >= 0) slot_of_pair[pair_of_slot[s]] = -1;
    count = taken_since = 0;
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
    // are a third of the list (of a list that lives long enough for it to
    // pay).
    if (3 * ++taken_since > count && squeezed) compact();
}

void slot_list::compact() {
    // Without a branch per slot: each slot is copied to the next place,
    // which moves on only for an open one.
    int kept = 0;
    for (int s = 0; s < count; ++s) {
        x1[kept] = x1[s], y1[kept] = y1[s], z1[kept] = z1[s];
        x2[kept] = x2[s], y2[kept] = y2[s], z2[kept] = z2[s];
        pair_of_slot[kept] = pair_of_slot[s];
        kept += pair_of_slot[s] >= 0;
    }
    for (int s = 0; s < kept; ++s) slot_of_pair[pair_of_slot[s]] = s;
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
    return estimate_all(x1.data(), y1.data(), z1.data(), x2.data(), y2.data(), z2.data(), in_groups(count), r,
                        t, out, chunk_lowest);
}

open_pairs::open_pairs(const single_precision_pairs &all)
    // The near set is chosen anew every few steps: squeezing it costs more
    // than passing over its few taken slots.
    : all_(all),
      open_(all.size()),
      near_(all.size(), false),
      middle_(all.size()),
      estimate_(padded(all.size())),
      chunk_lowest_(padded(all.size()) / CHUNK),
      scratch_(2 * padded(all.size())),
      found_(padded(all.size()) + LANES) {}

void open_pairs::reset() {
    open_ = all_.every_pair_;  // the same sizes: copies without allocating
    near_.clear();
    middle_.clear();
    split_ = false;
    middle_bound_.active = false;
}

void open_pairs::take(int pair) {
    open_.take(pair);
    near_.take(pair);
    middle_.take(pair);
}

double open_pairs::fit_about_origins(const rigid_fit &fit, float r[9], float t[3]) const {
    double largest_shift = 0.0;
    for (int i = 0; i < 3; ++i) {
        double moved = 0.0;
        for (int j = 0; j < 3; ++j)
            moved += fit.rotation.a[i][j] * (component(fit.centre2, j) - component(all_.origin_[1], j));
        const double shift = component(fit.centre1, i) - component(all_.origin_[0], i) - moved;
        t[i] = static_cast<float>(shift);
        largest_shift = std::max(largest_shift, std::fabs(shift));
    }
    // r is the rotation packed row by row in single precision for the
    // estimates' vector loads; it is made here only.
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r[3 * i + j] = static_cast<float>(fit.rotation.a[i][j]);
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
    // (The limit's own rounding to single precision is within the 1e-6.)
    const double reach = std::sqrt(static_cast<double>(lowest)) * (1 + 1e-6) + 4 * error;
    const float limit = static_cast<float>(reach * reach * (1 + 1e-6));
    const int found =
        slots_at_most(estimate_.data(), chunk_lowest_.data(), in_groups(list.count), limit, found_.data());
    for (int i = 0; i < found; ++i) out.push_back(list.pair_of_slot[found_[i]]);
}

bool open_pairs::near_candidates(const rigid_fit &fit, std::vector<int> &out) {
    if (!split_) return false;
    float r[9], t[3];
    const double error = fit_about_origins(fit, r, t);
    estimates_ += in_groups(near_.count);
    gather(near_, near_.estimate(r, t, estimate_.data(), chunk_lowest_.data()), error, out);
    return true;
}

double open_pairs::distance_bound::at(const rigid_fit &now) const {
    if (!active || floor[0] == INFINITY_DISTANCE) return INFINITY_DISTANCE;
    // How far the fit moved since the pass: the spectral norm of the
    // rotation's change, and the distance between the two images of the
    // pass's centre (which the pass's fit put at centre1).
    const double turn =
        rotation_distance(now.rotation, now.rotation_error_bound, fit.rotation, fit.rotation_error_bound);
    double shift2 = 0.0;
    for (int i = 0; i < 3; ++i) {
        double image = component(now.centre1, i);
        for (int j = 0; j < 3; ++j)
            image += now.rotation.a[i][j] * (component(fit.centre2, j) - component(now.centre2, j));
        const double d = image - component(fit.centre1, i);
        shift2 += d * d;
    }
    const double shift = std::sqrt(shift2) * (1 + 1e-14);
    // The bound as a function of the turn is the lowest of lines falling
    // with the turn (one per pair, less a rounding allowance linear in the
    // turn), so it is concave: between two samples it stays above the
    // chord joining their floors. (1e-9 covers the chord's own rounding.)
    if (!(turn > 0.0)) return floor[0] - shift;
    for (int j = 1; j < TURNS; ++j)
        if (turn <= turns[j]) {
            const double low = turns[j - 1], high = turns[j];
            const double along = (turn - low) / (high - low);
            const double chord = floor[j - 1] + along * (floor[j] - floor[j - 1]);
            return chord - 1e-9 - shift;
        }
    return -INFINITY_DISTANCE;
}

double open_pairs::far_floor(const rigid_fit &fit) const {
    if (!split_) return INFINITY_DISTANCE;
    return std::min(near_bound_.at(fit), middle_bound_.at(fit));
}

bool open_pairs::far_beyond(const rigid_fit &fit, double reach) const {
    return !split_ || (near_bound_.at(fit) > reach && middle_bound_.at(fit) > reach);
}

void open_pairs::bound_beyond(const slot_list &list, float edge, const rigid_fit &fit, double error,
                              distance_bound &bound) {
    // For each sampled turn, the lowest of (a bound on the deviation) -
    // turn x (a bound on the distance from the fit's centre in the second
    // structure) over the slots of list estimated beyond edge.
    const float ox = static_cast<float>(fit.centre2.x - all_.origin_[1].x),
                oy = static_cast<float>(fit.centre2.y - all_.origin_[1].y),
                oz = static_cast<float>(fit.centre2.z - all_.origin_[1].z);
    static_assert(TURNS == SAMPLES, "one envelope value per sampled turn");
    float turns[TURNS], envelope[TURNS];
    for (int j = 0; j < TURNS; ++j) turns[j] = static_cast<float>(bound.turns[j]);
    const float widest =
        far_envelope(estimate_.data(), list.x2.data(), list.y2.data(), list.z2.data(), in_groups(list.count),
                     edge, ox, oy, oz, turns, scratch_.data(), envelope);
    // Each single-precision coordinate difference is within a few units of
    // roundoff of the extent and the centre, so the distances are within
    // distance_error; the deviations are within 2 error (see gather), the
    // square roots of both within a relative 2 units; and the envelope's
    // products and differences, of values at most the clamp and
    // widest turn, within 2 units of them.
    const double distance_error =
        8 * UNIT_ROUNDOFF * (all_.extent_ + std::fabs(ox) + std::fabs(oy) + std::fabs(oz));
    for (int j = 0; j < TURNS; ++j) {
        const double turn = bound.turns[j];
        bound.floor[j] = envelope[j] == NOT_OPEN ? INFINITY_DISTANCE
                                                 : envelope[j] - 2 * error - turn * distance_error -
                                                       8 * UNIT_ROUNDOFF * (FAR_CLAMP + turn * widest) - 1e-6;
    }
    bound.fit = fit;
    bound.active = true;
}

void open_pairs::choose_middle(const rigid_fit &fit, float lowest, double error) {
    middle_.clear();
    middle_bound_.active = false;
    const int open = open_.count - open_.taken_since;
    if (open < MIDDLE_LEAST) return;
    const double reach = std::sqrt(static_cast<double>(lowest)) + MIDDLE_REACH;
    const float edge = static_cast<float>(reach * reach);
    const int inside =
        slots_at_most(estimate_.data(), chunk_lowest_.data(), in_groups(open_.count), edge, found_.data());
    // Worth keeping only when it leaves most pairs out.
    if (2 * inside > open) return;
    for (int i = 0; i < inside; ++i) middle_.append_slot(open_, found_[i]);
    middle_.finish();
    bound_beyond(open_, edge, fit, error, middle_bound_);
}

void open_pairs::choose_near(const slot_list &list, const rigid_fit &fit, float lowest, double error) {
    // The near set: the pairs of list whose estimate is within window_ of
    // the lowest (all when they are few), the window kept so that they are
    // about a sixteenth of the open pairs of the middle set, or of all
    // without one (measured best on large inputs: a small set whose bound
    // fails sooner costs less than a larger one).
    near_.clear();
    split_ = false;
    const slot_list &counted = middle_bound_.active ? middle_ : open_;
    const int open = counted.count - counted.taken_since;
    if (open < 4 * NEAR_LEAST) return;
    const double reach = std::sqrt(static_cast<double>(lowest)) + window_;
    const float last_near = static_cast<float>(reach * reach);
    // A closed slot's estimate is infinite.
    const int near_slots = slots_at_most(estimate_.data(), chunk_lowest_.data(), in_groups(list.count),
                                         last_near, found_.data());
    for (int i = 0; i < near_slots; ++i) near_.append_slot(list, found_[i]);
    near_.finish();
    const int kept = near_.count;
    const int wanted = std::max(NEAR_LEAST, open / 16);
    if (2 * kept < wanted) window_ *= 1.5;
    if (kept > 2 * wanted) window_ /= 1.5;
    bound_beyond(list, last_near, fit, error, near_bound_);
    split_ = true;
}

void open_pairs::regroup(const rigid_fit &fit, std::vector<int> &out) {
    float r[9], t[3];
    const double error = fit_about_origins(fit, r, t);
    if (middle_bound_.active) {
        // A pass over the middle set, enough while the pairs beyond it
        // stay farther than the closest of it can be: an estimate is within
        // 4 error of the true deviation (see gather), which the search's
        // deviations are within margin of.
        estimates_ += in_groups(middle_.count);
        const float lowest = middle_.estimate(r, t, estimate_.data(), chunk_lowest_.data());
        if (lowest != NOT_OPEN) {
            const double reach =
                std::sqrt(static_cast<double>(lowest)) * (1 + 1e-6) + 4 * error + 2 * all_.margin_;
            if (middle_bound_.at(fit) > reach) {
                gather(middle_, lowest, error, out);
                choose_near(middle_, fit, lowest, error);
                return;
            }
        }
    }
    estimates_ += in_groups(open_.count);
    const float lowest = open_.estimate(r, t, estimate_.data(), chunk_lowest_.data());
    gather(open_, lowest, error, out);
    choose_middle(fit, lowest, error);
    choose_near(open_, fit, lowest, error);
}

}  // namespace detail
}  // namespace pairfit
