#include "search/pair_arrays.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "platform/processor_versions.h"
#include "score/method_rules.h"
#include "superpose/superpose.h"

namespace pairfit {

// The hot functions are built for AVX-512, AVX2 and plain x86-64, and the
// program picks one when it starts (see processor_versions.h).

namespace {

const double BARRED = std::numeric_limits<double>::infinity();

// Four doubles, one per pair. Every operation on it is the same IEEE
// operation on each element as on a single double, so the results do not
// change; on machines with AVX2 the compiler turns it into one instruction.
typedef double v4d __attribute__((vector_size(32)));

inline v4d load4(const double *p) {
    v4d v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void store4(double *p, const v4d &v) {
    std::memcpy(p, &v, sizeof v);
}

int padded(int n) {
    return (n + 7) & ~7;
}  // whole groups of the widest vectors

// Copies the coordinates of the selected pairs, with pair `joining` added
// when it is not -1, in index order into the gathered arrays and sums them
// for the centroids of that selection. With sums, also gives the current
// selection's sums of deviations and (with SCORE) of score terms in index
// order, which ride in the fourth lane of the same vector additions. The
// sums of the selection with `joining` added are those the next fit needs if
// the search adds that pair. Vectors (x, y, z, w) where the processor has
// AVX, plain doubles otherwise.
template <bool VECTORS, bool SCORE>
inline __attribute__((always_inline)) void gather(pair_arrays *p, int joining, double *sums) {
    const int k = p->nselected;
    const int *order = p->order;
    const double *x1 = p->x1, *y1 = p->y1, *z1 = p->z1;
    const double *x2 = p->x2, *y2 = p->y2, *z2 = p->z2;
    v4d sum1 = {0, 0, 0, 0}, sum2 = sum1;
    double s1x = 0.0, s1y = 0.0, s1z = 0.0, s2x = 0.0, s2y = 0.0, s2z = 0.0;
    double deviations = 0.0, score = 0.0;
    int out = 0;
    // The joining pair is not part of the current selection: its deviation
    // and term count as 0, which leaves the sums exactly as they are.
    auto add = [&](int i, bool current) {
        double *a = p->gathered1[out], *b = p->gathered2[out];
        ++out;
        double deviation = current ? p->sqdev[i] : 0.0;
        double term = SCORE && current ? p->term[i] : 0.0;
        if (VECTORS) {
            v4d va = {x1[i], y1[i], z1[i], deviation}, vb = {x2[i], y2[i], z2[i], term};
            store4(a, va);
            store4(b, vb);
            sum1 += va;
            sum2 += vb;
        } else {
            s1x += a[0] = x1[i];
            s1y += a[1] = y1[i];
            s1z += a[2] = z1[i];
            deviations += a[3] = deviation;
            s2x += b[0] = x2[i];
            s2y += b[1] = y2[i];
            s2z += b[2] = z2[i];
            b[3] = term;
            if (SCORE) score += term;
        }
    };
    int t = 0;
    if (joining >= 0) {
        for (; t < k && order[t] < joining; ++t) add(order[t], true);
        p->gathered_place = t;
        add(joining, false);
    }
    for (; t < k; ++t) add(order[t], true);
    if (!VECTORS) {
        sum1 = v4d{s1x, s1y, s1z, deviations};
        sum2 = v4d{s2x, s2y, s2z, score};
    }
    store4(p->sum1, sum1);
    store4(p->sum2, sum2);
    p->gathered_for = joining;
    p->gathered = joining < 0;
    if (sums != nullptr) {
        sums[0] = sum1[3];
        sums[1] = sum2[3];
    }
}

// The pass over all pairs: centre both molecules, turn molecule 2 and
// measure, W pairs at a time (as wide as the processor's vectors), keeping
// per lane the smallest deviation of an unselected pair and where it first
// occurs; with SCORE, also each pair's score term. Returns the closest
// unselected pair, the lowest index among equal deviations, or -1 when none
// lies below NO_PAIR_BEYOND.
template <int W>
struct vector_of;
template <>
struct vector_of<2> {
    typedef double type __attribute__((vector_size(16)));
};
template <>
struct vector_of<4> {
    typedef double type __attribute__((vector_size(32)));
};
template <>
struct vector_of<8> {
    typedef double type __attribute__((vector_size(64)));
};

template <int W, bool SCORE>
inline __attribute__((always_inline)) int turn_and_measure(pair_arrays *p, const gemmi::Vec3 &centre1,
                                                           const gemmi::Vec3 &centre2,
                                                           const gemmi::Mat33 &u) {
    typedef typename vector_of<W>::type vec;
    auto load = [](const double *from) {
        vec v;
        std::memcpy(&v, from, sizeof v);
        return v;
    };
    auto store = [](double *to, const vec &v) { std::memcpy(to, &v, sizeof v); };
    // 64-bit integers, one per pair: comparison masks, bit patterns, indices.
    // Selecting by bit masks keeps plain SSE2, which has no blend
    // instruction, from splitting the lanes.
    typedef decltype(vec{} < vec{}) bits;
    auto select = [](const bits &m, const bits &a, const bits &b) { return (m & a) | (~m & b); };
    double *__restrict x1 = p->x1, *__restrict y1 = p->y1, *__restrict z1 = p->z1;
    double *__restrict x2 = p->x2, *__restrict y2 = p->y2, *__restrict z2 = p->z2;
    double *__restrict sqdev = p->sqdev, *__restrict term = p->term;
    vec nearest;
    bits nearest_at, index;
    for (int lane = 0; lane < W; ++lane) {
        nearest[lane] = NO_PAIR_BEYOND;
        nearest_at[lane] = -1;
        index[lane] = lane;
    }
    // Local copies: the stores below could otherwise alias u and the centres.
    const double c1x = centre1.x, c1y = centre1.y, c1z = centre1.z;
    const double c2x = centre2.x, c2y = centre2.y, c2z = centre2.z;
    const double u0 = u.a[0][0], u1 = u.a[0][1], u2 = u.a[0][2], u3 = u.a[1][0], u4 = u.a[1][1],
                 u5 = u.a[1][2], u6 = u.a[2][0], u7 = u.a[2][1], u8 = u.a[2][2];
    for (int i = 0; i < p->n; i += W) {
        vec ax = load(x1 + i) - c1x, ay = load(y1 + i) - c1y, az = load(z1 + i) - c1z;
        vec bx = load(x2 + i) - c2x, by = load(y2 + i) - c2y, bz = load(z2 + i) - c2z;
        vec rx = u0 * bx + u1 * by + u2 * bz;
        vec ry = u3 * bx + u4 * by + u5 * bz;
        vec rz = u6 * bx + u7 * by + u8 * bz;
        store(x1 + i, ax);
        store(y1 + i, ay);
        store(z1 + i, az);
        store(x2 + i, rx);
        store(y2 + i, ry);
        store(z2 + i, rz);
        vec dx = ax - rx, dy = ay - ry, dz = az - rz;
        vec sq = dx * dx + dy * dy + dz * dz;
        store(sqdev + i, sq);
        // The divider is otherwise idle here, so the terms come almost free.
        if (SCORE) store(term + i, score_term(sq));
        // A selected pair's deviation with the exponent bits set is infinity
        // or not a number, never closer. Bit operations and integer indices
        // leave the floating-point adders, the busiest units here, to the
        // arithmetic.
        vec key = (vec)((bits)sq | (bits)load(p->barred + i));
        bits closer = key < nearest;
        nearest = (vec)select(closer, (bits)key, (bits)nearest);
        nearest_at = select(closer, index, nearest_at);
        index += W;
    }
    // The lanes compared without branches, which would be mispredicted.
    double closest = NO_PAIR_BEYOND;
    long long closest_at = -1;
    for (int lane = 0; lane < W; ++lane) {
        bool better = nearest[lane] < closest || (nearest[lane] == closest && nearest_at[lane] < closest_at);
        closest = better ? nearest[lane] : closest;
        closest_at = better ? nearest_at[lane] : closest_at;
    }
    return closest < NO_PAIR_BEYOND ? static_cast<int>(closest_at) : -1;
}

// The pass and the gathering, built for each kind of processor, each in a
// version that also works out the score; the program picks the widest its
// processor runs when it starts.
typedef int pass_kernel(pair_arrays *, const gemmi::Vec3 &, const gemmi::Vec3 &, const gemmi::Mat33 &);
typedef void gather_kernel(pair_arrays *, int, double *);
struct hot_kernels {
    pass_kernel *turn_and_measure, *turn_and_measure_scored;
    gather_kernel *gather, *gather_scored;
};

template <bool SCORE>
int turn_and_measure_sse2(pair_arrays *p, const gemmi::Vec3 &centre1, const gemmi::Vec3 &centre2,
                          const gemmi::Mat33 &u) {
    return turn_and_measure<2, SCORE>(p, centre1, centre2, u);
}
template <bool SCORE>
void gather_sse2(pair_arrays *p, int joining, double *sums) {
    gather<false, SCORE>(p, joining, sums);
}

#ifdef PAIRFIT_X86_VERSIONS
template <bool SCORE>
__attribute__((target("avx2"))) int turn_and_measure_avx2(pair_arrays *p, const gemmi::Vec3 &centre1,
                                                          const gemmi::Vec3 &centre2, const gemmi::Mat33 &u) {
    return turn_and_measure<4, SCORE>(p, centre1, centre2, u);
}
template <bool SCORE>
__attribute__((target("arch=x86-64-v4"))) int turn_and_measure_avx512(pair_arrays *p,
                                                                      const gemmi::Vec3 &centre1,
                                                                      const gemmi::Vec3 &centre2,
                                                                      const gemmi::Mat33 &u) {
    return turn_and_measure<8, SCORE>(p, centre1, centre2, u);
}
template <bool SCORE>
__attribute__((target("avx2"))) void gather_avx2(pair_arrays *p, int joining, double *sums) {
    gather<true, SCORE>(p, joining, sums);
}
#endif

hot_kernels choose_kernels() {
#ifdef PAIRFIT_X86_VERSIONS
    const int width = widest_double_vectors();
    if (width == 8)
        return {turn_and_measure_avx512<false>, turn_and_measure_avx512<true>, gather_avx2<false>,
                gather_avx2<true>};
    if (width == 4)
        return {turn_and_measure_avx2<false>, turn_and_measure_avx2<true>, gather_avx2<false>,
                gather_avx2<true>};
#endif
    return {turn_and_measure_sse2<false>, turn_and_measure_sse2<true>, gather_sse2<false>, gather_sse2<true>};
}

const hot_kernels kernels = choose_kernels();

// Starts the arrays on n pairs, nothing selected, deviations 0; the
// coordinates are set by the caller.
void start_pairs(pair_arrays *p, int n) {
    p->n = n;
    for (int i = 0; i < n; ++i) p->sqdev[i] = 0.0;
    for (int i = n; i < padded(n); ++i) {
        p->x1[i] = p->y1[i] = p->z1[i] = p->x2[i] = p->y2[i] = p->z2[i] = 0.0;
        p->barred[i] = BARRED;
    }
    clear_selection(p);
    p->rotation = gemmi::Mat33();
}

}  // namespace

void load_pairs(pair_arrays *p, const structure &first, const structure &second, const pairing &pairs) {
    const int n = static_cast<int>(pairs.size());
    start_pairs(p, n);
    for (int i = 0; i < n; ++i) {
        const ca_atom &a1 = first.atoms[pairs.first[i]], &a2 = second.atoms[pairs.second[i]];
        p->x1[i] = a1.x;
        p->y1[i] = a1.y;
        p->z1[i] = a1.z;
        p->x2[i] = a2.x;
        p->y2[i] = a2.y;
        p->z2[i] = a2.z;
    }
    p->shift1 = gemmi::Vec3();
    p->motion2 = gemmi::Transform();
}

void load_pairs(pair_arrays *p, const std::vector<std::array<double, 3>> &first,
                const std::vector<std::array<double, 3>> &second, const gemmi::Vec3 &shift1,
                const gemmi::Transform &motion2) {
    const int n = static_cast<int>(first.size());
    start_pairs(p, n);
    for (int i = 0; i < n; ++i) {
        p->x1[i] = first[i][0];
        p->y1[i] = first[i][1];
        p->z1[i] = first[i][2];
        p->x2[i] = second[i][0];
        p->y2[i] = second[i][1];
        p->z2[i] = second[i][2];
    }
    p->shift1 = shift1;
    p->motion2 = motion2;
}

void clear_selection(pair_arrays *p) {
    for (int i = 0; i < p->n; ++i) {
        p->selected[i] = 0;
        p->barred[i] = 0.0;
    }
    p->nselected = 0;
    p->gathered = false;
    p->gathered_for = -1;
}

void select_pair(pair_arrays *p, int j) {
    // The last fit gathered the selection with j added, if j was its candidate.
    p->gathered = p->gathered_for == j;
    p->gathered_for = -1;
    p->selected[j] = 1;
    p->barred[j] = BARRED;
    // j's place in the sorted list: known from the gathering when j was the
    // last fit's candidate (sparing a binary search whose branches go either
    // way), else searched for. Then one block move.
    int low = 0, high = p->nselected;
    if (p->gathered) {
        low = p->gathered_place;
    } else {
        while (low < high) {
            int mid = (low + high) / 2;
            if (p->order[mid] < j)
                low = mid + 1;
            else
                high = mid;
        }
    }
    std::memmove(p->order + low + 1, p->order + low, sizeof(int) * (p->nselected - low));
    p->order[low] = j;
    p->nselected++;
}

PAIRFIT_VERSIONS_AVX512
void fit_selected_pairs(pair_arrays *p, bool want_score, pair_fit *result) {
    const int k = p->nselected;
    if (!p->gathered) kernels.gather(p, -1, nullptr);
    const v4d sum1 = load4(p->sum1), sum2 = load4(p->sum2);
    const v4d centre1 = sum1 / static_cast<double>(k), centre2 = sum2 / static_cast<double>(k);
    const gemmi::Vec3 c1(centre1[0], centre1[1], centre1[2]), c2(centre2[0], centre2[1], centre2[2]);

    // Correlation matrix of the centred selected pairs, a row at a time:
    // row r gains a[r] times (b[0], b[1], b[2]). The centred values are
    // exactly those the pass below stores.
    v4d h0 = {0, 0, 0, 0}, h1 = h0, h2 = h0;
    for (int t = 0; t < k; ++t) {
        v4d a = load4(p->gathered1[t]) - centre1, b = load4(p->gathered2[t]) - centre2;
        h0 += a[0] * b;
        h1 += a[1] * b;
        h2 += a[2] * b;
    }
    gemmi::Mat33 h(h0[0], h0[1], h0[2], h1[0], h1[1], h1[2], h2[0], h2[1], h2[2]);
    fit_rotation(h, p->rotation);
    p->shift1 -= c1;
    p->motion2.vec = p->rotation.multiply(p->motion2.vec - c2);
    p->motion2.mat = p->rotation.multiply(p->motion2.mat);

    pass_kernel *pass = want_score ? kernels.turn_and_measure_scored : kernels.turn_and_measure;
    gather_kernel *gather_next = want_score ? kernels.gather_scored : kernels.gather;
    int candidate = pass(p, c1, c2, p->rotation);
    // The RMS and score sums of this fit ride along with gathering the next
    // selection.
    double sums[2];
    gather_next(p, candidate, sums);
    result->rms = std::sqrt(sums[0] / k);
    result->closest = candidate;
    result->score = want_score ? score_of_terms(sums[1]) : 0.0;
}

}  // namespace pairfit
