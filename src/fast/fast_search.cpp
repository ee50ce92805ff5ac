#include "fast/fast_search.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <thread>

#include "fast/open_pairs.h"
#include "fast/path_set.h"
#include "platform/processor_versions.h"
#include "score/method_rules.h"

namespace pairfit {
namespace detail {

namespace {

const double INF = std::numeric_limits<double>::infinity();
// The largest slope of 1 / (1 + x^2 / 5) for x >= 0 (at x^2 = 5/3), rounded
// up: a pair's score term grows by at most this times the distance it
// comes closer.
const double TERM_SLOPE = 0.2905;

// The pairs as the deviations need them, one array per coordinate.
struct pair_table {
    int n = 0;
    std::vector<double> x1, y1, z1, x2, y2, z2;
    std::vector<double> unbarred;  // n zeros: a pass that bars no pair
    // Allowance for rounding in the deviations and bounds (Angstrom).
    double margin = 0.0;

    pair_table(const std::vector<gemmi::Vec3> &first, const std::vector<gemmi::Vec3> &second)
        : n(static_cast<int>(first.size())), x1(n), y1(n), z1(n), x2(n), y2(n), z2(n), unbarred(n, 0.0) {
        double largest = 0.0;
        for (int i = 0; i < n; ++i) {
            x1[i] = first[i].x, y1[i] = first[i].y, z1[i] = first[i].z;
            x2[i] = second[i].x, y2[i] = second[i].y, z2[i] = second[i].z;
            for (int c = 0; c < 3; ++c)
                largest = std::max(
                    {largest, std::fabs(component(first[i], c)), std::fabs(component(second[i], c))});
        }
        margin = 1e-9 * (1.0 + largest);
    }
};

// Squared distance of pair i after the fit. Every deviation of this mode is
// computed by this one expression (measure_run repeats it operation for
// operation), so a pair's value under a fit does not depend on where it is
// computed.
inline double squared_deviation(const pair_table &t, int i, const rigid_fit &f) {
    const double(*u)[3] = f.rotation.a;
    double ax = t.x1[i] - f.centre1.x, ay = t.y1[i] - f.centre1.y, az = t.z1[i] - f.centre1.z;
    double bx = t.x2[i] - f.centre2.x, by = t.y2[i] - f.centre2.y, bz = t.z2[i] - f.centre2.z;
    double dx = ax - (u[0][0] * bx + u[0][1] * by + u[0][2] * bz);
    double dy = ay - (u[1][0] * bx + u[1][1] * by + u[1][2] * bz);
    double dz = az - (u[2][0] * bx + u[2][1] * by + u[2][2] * bz);
    return dx * dx + dy * dy + dz * dz;
}

// The squared deviations of pairs low to high - 1 under fit, into out, the
// same values as squared_deviation (adding 0 changes nothing); barred (0, or
// infinity for a selected pair) is added. Built for AVX2 too where the compiler can: every
// operation is an IEEE operation on single elements, so the values do not
// depend on the processor.
PAIRFIT_VERSIONS_AVX2
void measure_run(const pair_table &t, int low, int high, const rigid_fit &f, const double *__restrict barred,
                 double *__restrict out) {
    const double *__restrict x1 = t.x1.data(), *__restrict y1 = t.y1.data(), *__restrict z1 = t.z1.data();
    const double *__restrict x2 = t.x2.data(), *__restrict y2 = t.y2.data(), *__restrict z2 = t.z2.data();
    const double c1x = f.centre1.x, c1y = f.centre1.y, c1z = f.centre1.z;
    const double c2x = f.centre2.x, c2y = f.centre2.y, c2z = f.centre2.z;
    const double(*u)[3] = f.rotation.a;
    const double u0 = u[0][0], u1 = u[0][1], u2 = u[0][2], u3 = u[1][0], u4 = u[1][1], u5 = u[1][2],
                 u6 = u[2][0], u7 = u[2][1], u8 = u[2][2];
    for (int i = low; i < high; ++i) {
        double ax = x1[i] - c1x, ay = y1[i] - c1y, az = z1[i] - c1z;
        double bx = x2[i] - c2x, by = y2[i] - c2y, bz = z2[i] - c2z;
        double dx = ax - (u0 * bx + u1 * by + u2 * bz);
        double dy = ay - (u3 * bx + u4 * by + u5 * bz);
        double dz = az - (u6 * bx + u7 * by + u8 * bz);
        out[i - low] = (dx * dx + dy * dy + dz * dz) + barred[i];
    }
}

// The score terms 1 / (1 + d / 5) of count squared deviations d, in place;
// each the same value as computed alone.
PAIRFIT_VERSIONS_AVX2
void score_terms(double *__restrict values, int count) {
    for (int i = 0; i < count; ++i) values[i] = score_term(values[i]);
}

struct candidate {
    double pvalue, score, rms;
    int size, path;
};

// A path stopped at a subset of `size` pairs that path `owner` had reached.
struct path_join {
    int path, owner, size;
};

// What one thread found; apart from the others' in memory, as each step
// counts into it.
struct alignas(128) thread_findings {
    double best_pvalue = INF;
    std::vector<candidate> ties;  // every candidate at best_pvalue
    std::vector<path_join> joins;
    std::vector<double> score_by_size;
    fast_search_counters counters;
};

// Everything the threads share.
struct search_context {
    const fixed_point_pairs &grid;
    const pair_table &pairs;
    const single_precision_pairs &estimates;
    const zobrist_keys &keys;
    path_set *paths;  // null: paths are not shared
    const fast_search_options &options;
    std::vector<double> model_mean, model_spread, smallest_pvalue;
    // The lowest p-value any thread has accepted so far. Every value it
    // takes belongs to a scored subset, so the final best is never above it
    // and a subset that cannot reach it need not be scored.
    std::atomic<double> bar{1.0};
    std::atomic<int> next_seed{0};
    // Paths are recorded and compared at sizes that are multiples of this
    // only: a path then runs on at most this many steps past the place it
    // met another, and the record stays linear in the number of pairs.
    int record_every = 1;

    search_context(const fixed_point_pairs &g, const pair_table &p, const single_precision_pairs &e,
                   const zobrist_keys &k, path_set *s, const fast_search_options &o)
        : grid(g),
          pairs(p),
          estimates(e),
          keys(k),
          paths(s),
          options(o),
          record_every(std::max(8, p.n / 64)) {
        for (int k2 = 0; k2 <= p.n; ++k2) {
            double mean, spread;
            score_model(k2, &mean, &spread);
            model_mean.push_back(mean);
            model_spread.push_back(spread);
            smallest_pvalue.push_back(LG_pvalueF(k2, highest_score(k2)));
        }
    }

    void lower_bar(double p) {
        double now = bar.load(std::memory_order_relaxed);
        while (p < now && !bar.compare_exchange_weak(now, p, std::memory_order_relaxed)) {
        }
    }
};

// Grows one path at a time; one per thread.
//
// From one fit to the next, the place a second-structure atom b is moved to,
// T(b) = R (b - c2) + c1, changes by (R' - R)(b - o) + T'(o) - T(o) for the
// path's fixed anchor o, so a pair's deviation changes by at most |R' - R| |b - o|
// + |T'(o) - T(o)| (|R' - R| the spectral norm, see rotation_distance). Along a
// path the walker sums both step by step (turn_ and shift_); the members'
// score terms remember the sums from when they were last computed, and the
// differences bound how far they can have moved since. (The open pairs far
// from the subset are bounded by the net move since their regroup instead,
// see open_pairs.)
class path_walker {
public:
    explicit path_walker(search_context &c)
        : ctx_(c),
          t_(c.pairs),
          barred_(t_.n, 0.0),
          member_bits_((t_.n + 63) / 64, 0),
          deviations_(t_.n),
          by_estimates_(c.options.single_precision && c.estimates.usable()),
          open_(c.estimates) {}

    // Runs the path of seed. A replay neither cuts nor scores, and with
    // stop_size stops as soon as the subset has that many pairs (the members
    // are then members()); last_fit() is the path's last fit.
    void run(int seed, thread_findings &out, bool replay = false, int stop_size = 0) {
        for (int j : joined_) barred_[j] = 0.0;
        std::fill(member_bits_.begin(), member_bits_.end(), 0);
        joined_.clear();
        sums_.clear();
        subset_fingerprint print;
        anchor_at(seed);
        if (by_estimates_) open_.reset();
        for (int j = seed; j < seed + SEED_SIZE; ++j) join(j, print);
        rigid_fit fit = sums_.fit(ctx_.grid);
        last_fit_ = fit;
        start_motion(fit);
        terms_ = turn_part_ = shift_part_ = radii_ = 0.0;
        for (int j = seed; j < seed + SEED_SIZE; ++j) add_term(j, squared_deviation(t_, j, fit));
        int k = SEED_SIZE;
        // Steps to the next size that is a multiple of record_every.
        int until_record = ctx_.record_every - k % ctx_.record_every;
        double rms = fit.rms;
        const int n = t_.n;
        // The cutoff is tested after scoring, so the subset whose fit first
        // reaches it is still scored and may be accepted.
        while (k < n && may_grow(rms, k)) {
            double closest_deviation = 0.0;
            int closest = by_estimates_ ? closest_by_estimates(fit, &closest_deviation, out)
                                        : measure_all(fit, &closest_deviation, out);
            if (closest < 0) break;  // nothing within 100 Angstrom to add
            join(closest, print);
            add_term(closest, closest_deviation);
            ++k;
            bool recorded_size = false;
            if (replay) {
                if (k == stop_size) return;
            } else if (ctx_.paths != nullptr && --until_record == 0) {
                until_record = ctx_.record_every;
                recorded_size = true;
                // Its place in the table loads while the fit is computed.
                ctx_.paths->prefetch(print);
            }
            const rigid_fit grown = sums_.fit(ctx_.grid);
            if (recorded_size) {
                int owner;
                if (ctx_.paths->reached_before(print, seed, &owner)) {
                    // The rest of this path would repeat the owner's exactly.
                    out.joins.push_back(path_join{seed, owner, k});
                    ++out.counters.paths_cut;
                    break;
                }
            }
            fit = grown;
            ++out.counters.fits;
            rms = fit.rms;
            advance_motion(fit);
            if (ctx_.options.observer != nullptr && !replay)
                ctx_.options.observer->step(seed, k, score_bound(k),
                                            score_of_terms(summed_terms(fit, k, nullptr)));
            if (!replay && score_needed(k)) score(seed, k, fit, out);
        }
        last_fit_ = fit;
    }

    // The members of the subset, in increasing order.
    std::vector<int> members() const {
        std::vector<int> in;
        for (int i = 0; i < t_.n; ++i)
            if (barred_[i] != 0.0) in.push_back(i);
        return in;
    }
    // The members in the order they joined the subset.
    const std::vector<int> &joined() const { return joined_; }
    const rigid_fit &last_fit() const { return last_fit_; }
    long long estimates() const { return open_.estimates(); }

private:
    // The fixed point of the path's motion sums: the seed's centre in the
    // second structure, so that the pairs near the path's subset (those
    // that can join) have small radii even in a large input.
    void anchor_at(int seed) {
        anchor_ = gemmi::Vec3();
        for (int j = seed; j < seed + SEED_SIZE; ++j)
            anchor_.x += t_.x2[j], anchor_.y += t_.y2[j], anchor_.z += t_.z2[j];
        for (int c = 0; c < 3; ++c) component(anchor_, c) /= SEED_SIZE;
    }

    // Pair j's distance from the anchor (second structure); only members'
    // are needed, so each is computed when its pair joins.
    double radius(int j) const {
        const double dx = t_.x2[j] - anchor_.x, dy = t_.y2[j] - anchor_.y, dz = t_.z2[j] - anchor_.z;
        return std::sqrt(dx * dx + dy * dy + dz * dz);
    }

    void join(int j, subset_fingerprint &print) {
        barred_[j] = INF;
        member_bits_[j / 64] |= std::uint64_t{1} << (j % 64);
        joined_.push_back(j);
        sums_.add(ctx_.grid.pair(j));
        if (by_estimates_) open_.take(j);
        ctx_.keys.toggle(print, j, 1);
    }

    // A member's score term with its squared deviation under the current
    // fit, for the bound on the score.
    void add_term(int j, double squared) {
        terms_ += score_term(squared);
        const double r = radius(j);
        radii_ += r;
        turn_part_ += turn_ * r;
        shift_part_ += shift_;
    }

    void start_motion(const rigid_fit &fit) {
        turn_ = shift_ = 0.0;
        rotation_ = fit.rotation;
        rotation_error_ = fit.rotation_error_bound;
        anchor_image_ = place(fit, anchor_);
    }

    void advance_motion(const rigid_fit &fit) {
        const double error = fit.rotation_error_bound;
        const double turn = rotation_distance(fit.rotation, error, rotation_, rotation_error_);
        rotation_ = fit.rotation;
        rotation_error_ = error;
        const gemmi::Vec3 image = place(fit, anchor_);
        turn_ += turn;
        shift_ += (image - anchor_image_).length();
        anchor_image_ = image;
    }

    // Where fit puts the second-structure point p.
    static gemmi::Vec3 place(const rigid_fit &fit, const gemmi::Vec3 &p) {
        return fit.rotation.multiply(p - fit.centre2) + fit.centre1;
    }

    // Whether the subset of k pairs just fitted needs its score: as the
    // exact search decides, and besides not when the bound on its score
    // already rules out its acceptance. The factor 1 + 1e-6 covers the
    // rounding of the summed terms and of the p-value, which move a p-value
    // by far less (the score's relative rounding, about k units, times the
    // score over ten spreads of the model: below 1e-9 for any protein).
    bool score_needed(int k) const {
        if (ctx_.options.per_size_scores) return true;
        if (k <= ctx_.options.min_size) return false;
        const double bar = ctx_.bar.load(std::memory_order_relaxed);
        if (ctx_.smallest_pvalue[k] > (1 + 1e-6) * bar) return false;
        const double bound = score_bound(k);
        if (bound >= highest_score(k)) return true;
        double pvalue = pvalue_under_model(bound, ctx_.model_mean[k], ctx_.model_spread[k]);
        return !(pvalue > (1 + 1e-6) * bar);
    }

    // The highest score the subset of k pairs can have under the latest
    // fit: its members' terms when last computed, each raised by the most
    // its pair can have come closer since.
    double score_bound(int k) const {
        double slack = turn_ * radii_ - turn_part_ + k * (shift_ + t_.margin) - shift_part_;
        return score_of_terms(terms_ + TERM_SLOPE * std::max(slack, 0.0));
    }

    // The score terms of the k members under fit, summed in pair order so
    // that they depend on the members alone; adds the deviations computed
    // to *counted unless it is null.
    double summed_terms(const rigid_fit &fit, int k, long long *counted) {
        // The members' deviations in index order, their terms in a vector
        // loop, then summed one by one in that order.
        // When most pairs are members, every pair's term is computed in
        // vector loops (the same values) and the members' picked out.
        int m = 0;
        double sum = 0.0;
        const int words = static_cast<int>(member_bits_.size());
        if (2 * k > t_.n) {
            measure_run(t_, 0, t_.n, fit, t_.unbarred.data(), deviations_.data());
            score_terms(deviations_.data(), t_.n);
            for (int w = 0; w < words; ++w)
                for (std::uint64_t bits = member_bits_[w]; bits != 0; bits &= bits - 1)
                    sum += deviations_[64 * w + __builtin_ctzll(bits)];
            m = t_.n;
        } else {
            for (int w = 0; w < words; ++w)
                for (std::uint64_t bits = member_bits_[w]; bits != 0; bits &= bits - 1)
                    deviations_[m++] = squared_deviation(t_, 64 * w + __builtin_ctzll(bits), fit);
            score_terms(deviations_.data(), m);
            for (int i = 0; i < m; ++i) sum += deviations_[i];
        }
        if (counted != nullptr) *counted += m;
        return sum;
    }

    // Score and p-value of the subset.
    void score(int seed, int k, const rigid_fit &fit, thread_findings &out) {
        const double sum = summed_terms(fit, k, &out.counters.deviations);
        ++out.counters.scores;
        // The terms are now known under this fit.
        terms_ = sum;
        turn_part_ = turn_ * radii_;
        shift_part_ = k * shift_;
        double score = score_of_terms(sum);
        double pvalue = pvalue_under_model(score, ctx_.model_mean[k], ctx_.model_spread[k]);
        if ((ctx_.options.per_size_scores || ctx_.options.record_scored_sizes) &&
            score > out.score_by_size[k])
            out.score_by_size[k] = score;
        if (k <= ctx_.options.min_size) return;
        if (pvalue < out.best_pvalue) {
            out.best_pvalue = pvalue;
            out.ties.clear();
            ctx_.lower_bar(pvalue);
        }
        if (pvalue == out.best_pvalue) out.ties.push_back(candidate{pvalue, score, fit.rms, k, seed});
    }

    // The closest unselected pair under fit (lowest index among equals)
    // with its squared deviation, or -1 when none is below the limit; every
    // pair measured (coordinates too large for estimates).
    int measure_all(const rigid_fit &fit, double *deviation, thread_findings &out) {
        ++out.counters.full_passes;
        const int n = t_.n;
        measure_run(t_, 0, n, fit, barred_.data(), deviations_.data());
        out.counters.deviations += n;
        double best = NO_PAIR_BEYOND;
        int best_at = -1;
        for (int i = 0; i < n; ++i)
            if (deviations_[i] < best) best = deviations_[i], best_at = i;
        *deviation = best;
        return best_at;
    }

    // The closest unselected pair as measure_all finds it, measuring only
    // the candidates that a pass of estimates leaves: over the near pairs
    // when the others cannot come closer than the nearest of them, else
    // over all open pairs.
    int closest_by_estimates(const rigid_fit &fit, double *deviation, thread_findings &out) {
        if (open_.near_candidates(fit, candidates_)) {
            const int best_at = closest_candidate(fit, deviation, out);
            const double reach = std::sqrt(best_at >= 0 ? *deviation : NO_PAIR_BEYOND) + t_.margin;
            if (open_.far_beyond(fit, reach)) return best_at;
        }
        ++out.counters.full_passes;
        open_.regroup(fit, candidates_);
        return closest_candidate(fit, deviation, out);
    }

    // The closest of the candidates (lowest index among equals) with its
    // squared deviation, or -1 when none is below the limit.
    int closest_candidate(const rigid_fit &fit, double *deviation, thread_findings &out) {
        double best = NO_PAIR_BEYOND;
        int best_at = -1;
        for (int i : candidates_) {
            const double d = squared_deviation(t_, i, fit);
            if (d < best) best = d, best_at = i;
        }
        out.counters.deviations += static_cast<long long>(candidates_.size());
        *deviation = best;
        return best_at;
    }

    search_context &ctx_;
    const pair_table &t_;
    rigid_fit last_fit_;
    std::vector<double> barred_;              // 0, or infinity for a selected pair
    std::vector<std::uint64_t> member_bits_;  // bit i%64 of word i/64: pair i is a member
    std::vector<int> joined_;                 // the members in the order they joined
    subset_sums sums_;
    std::vector<double> deviations_;  // of a full pass, or the score terms
    // The path's anchor (second structure).
    gemmi::Vec3 anchor_;
    // Whether the closest pair comes from estimates (else from a full pass
    // in double precision); the open pairs, and the candidates.
    bool by_estimates_ = true;
    open_pairs open_;
    std::vector<int> candidates_;
    // The path's summed motion, and the latest fit's rotation and image of
    // the anchor.
    double turn_ = 0.0, shift_ = 0.0, rotation_error_ = 0.0;
    gemmi::Vec3 anchor_image_;
    gemmi::Mat33 rotation_;
    // The members' score terms when last computed, and for the bound their
    // summed radii and the path's sums at those times (times the radius).
    double terms_ = 0.0, radii_ = 0.0, turn_part_ = 0.0, shift_part_ = 0.0;
};

void run_seeds(search_context &ctx, thread_findings &out) {
    path_walker walker(ctx);
    out.score_by_size.assign(ctx.pairs.n + 1, 0.0);
    const int seeds = seed_count(ctx.pairs.n);
    for (;;) {
        int seed = ctx.next_seed.fetch_add(1, std::memory_order_relaxed);
        if (seed >= seeds) break;
        walker.run(seed, out);
    }
    out.counters.estimates = walker.estimates();
}

// The exact search accepts a subset whose p-value is at most the best so
// far, so it ends with the last of the lowest-p-value subsets in its order:
// seed by seed, and within a seed by size. A subset's last place in that
// order is at the latest seed whose path passes through it: the path that
// computed it, or any path that joined that one at or before its size
// (directly or through paths that joined those).
class sequential_order {
public:
    sequential_order(int paths, const std::vector<thread_findings> &found)
        : joiners_(paths), latest_(paths, -1) {
        for (const auto &f : found)
            for (const path_join &j : f.joins) joiners_[j.owner].push_back(j);
    }
    // The latest seed whose path passes through the subset of `size` pairs
    // that path computed.
    int latest_seed(int path, int size) {
        int latest = path;
        for (const path_join &j : joiners_[path])
            if (j.size <= size) latest = std::max(latest, latest_through(j.path));
        return latest;
    }

private:
    // The latest seed among path and every path that joined it, directly
    // or not (they all pass through its last subset).
    int latest_through(int path) {
        if (latest_[path] >= 0) return latest_[path];
        std::vector<int> stack{path}, order;
        while (!stack.empty()) {  // joins form a forest: no path is visited twice
            int p = stack.back();
            stack.pop_back();
            order.push_back(p);
            for (const path_join &j : joiners_[p])
                if (latest_[j.path] < 0) stack.push_back(j.path);
        }
        for (auto it = order.rbegin(); it != order.rend(); ++it) {
            int latest = *it;
            for (const path_join &j : joiners_[*it]) latest = std::max(latest, latest_[j.path]);
            latest_[*it] = latest;
        }
        return latest_[path];
    }

    std::vector<std::vector<path_join>> joiners_;
    std::vector<int> latest_;
};

// Capacity of the shared subsets: enough for every subset the largest
// inputs reach in practice, linear in the number of pairs.
std::size_t path_capacity(int n) {
    return std::max<std::size_t>(1 << 16, 64 * static_cast<std::size_t>(n));
}

// Whether all n pairs together are the search's answer, found without
// growing every path, and if so that answer in *result. A subset's score is
// its summed terms times 20, each term at most 1, so k pairs never score
// above 20 k (nor does the rounded sum of terms of at most 1). When the
// p-value of all n pairs is below, by a margin for its rounding, the lowest
// any smaller accepted size could reach, no other subset can do as well,
// and once one growth path is seen to reach all n pairs, the search would
// score them and choose them. That happens when the pairs nearly coincide
// after their fit, as when a structure is compared with itself or a copy;
// there the search is slow, each step measuring every open pair in double
// precision as their estimates all tie. On other inputs the first size
// tested rules it out.
bool all_pairs_win(search_context &ctx, fast_search_result *result) {
    const int n = ctx.pairs.n;
    if (n <= ctx.options.min_size) return false;
    subset_sums sums;
    for (int i = 0; i < n; ++i) sums.add(ctx.grid.pair(i));
    const rigid_fit fit = sums.fit(ctx.grid);
    // The terms as a path's scoring of all n pairs computes and sums them.
    std::vector<double> terms(n);
    measure_run(ctx.pairs, 0, n, fit, ctx.pairs.unbarred.data(), terms.data());
    score_terms(terms.data(), n);
    double sum = 0.0;
    for (double term : terms) sum += term;
    const double score = score_of_terms(sum);
    const double pvalue = pvalue_under_model(score, ctx.model_mean[n], ctx.model_spread[n]);
    for (int k = n - 1; k > ctx.options.min_size; --k)
        if (!((1 + 1e-6) * pvalue < ctx.smallest_pvalue[k])) return false;
    path_walker first_path(ctx);
    thread_findings scratch;
    first_path.run(0, scratch, true);
    if (static_cast<int>(first_path.joined().size()) != n) return false;
    result->size = n;
    result->rms = fit.rms;
    result->score = score;
    result->pvalue = pvalue;
    result->in_subset.assign(n, 1);
    return true;
}

void check_lengths(const std::vector<gemmi::Vec3> &first, const std::vector<gemmi::Vec3> &second) {
    if (first.size() != second.size())
        throw std::invalid_argument("fast_search: the two coordinate lists differ in length");
}

}  // namespace

fast_search_result fast_search(const std::vector<gemmi::Vec3> &first, const std::vector<gemmi::Vec3> &second,
                               const fast_search_options &options) {
    check_lengths(first, second);
    const int n = static_cast<int>(first.size());
    fast_search_result result;
    result.in_subset.assign(n, 0);
    result.score_by_size.assign(n + 1, 0.0);
    if (seed_count(n) <= 0) return result;

    fixed_point_pairs grid(first, second);
    pair_table table(first, second);
    single_precision_pairs estimates(first, second);
    zobrist_keys keys(n);
    std::unique_ptr<path_set> paths;
    int threads = options.threads > 0 ? options.threads
                                      : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    threads = std::min(threads, seed_count(n));
    if (options.share_paths) paths.reset(new path_set(path_capacity(n), threads > 1));
    search_context ctx(grid, table, estimates, keys, paths.get(), options);
    // Every size's scores, and the test seam, need the paths.
    const bool paths_needed =
        options.per_size_scores || options.record_scored_sizes || options.observer != nullptr;
    if (!paths_needed && all_pairs_win(ctx, &result)) return result;

    std::vector<thread_findings> found(threads);
    if (threads == 1) {
        run_seeds(ctx, found[0]);
    } else {
        std::vector<std::thread> pool;
        for (int i = 0; i < threads; ++i) pool.emplace_back(run_seeds, std::ref(ctx), std::ref(found[i]));
        for (auto &t : pool) t.join();
    }

    double best = INF;
    for (const auto &f : found) {
        best = std::min(best, f.best_pvalue);
        for (int k = 0; k <= n; ++k)
            result.score_by_size[k] = std::max(result.score_by_size[k], f.score_by_size[k]);
        result.counters.fits += f.counters.fits;
        result.counters.paths_cut += f.counters.paths_cut;
        result.counters.full_passes += f.counters.full_passes;
        result.counters.scores += f.counters.scores;
        result.counters.deviations += f.counters.deviations;
        result.counters.estimates += f.counters.estimates;
    }
    if (paths) result.counters.subsets_recorded = static_cast<long long>(paths->size());
    if (best == INF) {
        // Where the exact search's last fit leaves the structures: the end
        // of the last seed's path.
        path_walker replay(ctx);
        thread_findings scratch;
        replay.run(n - 5, scratch, true);
        result.last_fit = replay.last_fit();
        return result;
    }

    sequential_order order(seed_count(n), found);
    const candidate *chosen = nullptr;
    int chosen_seed = -1;
    for (const auto &f : found)
        for (const candidate &c : f.ties) {
            if (!(c.pvalue == best)) continue;
            int seed = order.latest_seed(c.path, c.size);
            if (chosen == nullptr || seed > chosen_seed || (seed == chosen_seed && c.size > chosen->size)) {
                chosen = &c;
                chosen_seed = seed;
            }
        }
    result.size = chosen->size;
    result.rms = chosen->rms;
    result.score = chosen->score;
    result.pvalue = chosen->pvalue;
    // The members: the path that computed the subset, run again to its size.
    path_walker replay(ctx);
    thread_findings scratch;
    replay.run(chosen->path, scratch, true, chosen->size);
    for (int i : replay.members()) result.in_subset[i] = 1;
    return result;
}

std::vector<int> growth_path(const std::vector<gemmi::Vec3> &first, const std::vector<gemmi::Vec3> &second,
                             int seed) {
    check_lengths(first, second);
    const int n = static_cast<int>(first.size());
    if (seed < 0 || seed + SEED_SIZE > n) throw std::invalid_argument("growth_path: no such seed");
    fixed_point_pairs grid(first, second);
    pair_table table(first, second);
    single_precision_pairs estimates(first, second);
    zobrist_keys keys(n);
    fast_search_options options;
    search_context ctx(grid, table, estimates, keys, nullptr, options);
    path_walker walker(ctx);
    thread_findings scratch;
    walker.run(seed, scratch, true);
    return walker.joined();
}

rigid_fit fit_subset(const std::vector<gemmi::Vec3> &first, const std::vector<gemmi::Vec3> &second,
                     const std::vector<char> &in_subset) {
    check_lengths(first, second);
    fixed_point_pairs grid(first, second);
    subset_sums sums;
    for (int i = 0; i < grid.size() && i < static_cast<int>(in_subset.size()); ++i)
        if (in_subset[i]) sums.add(grid.pair(i));
    return sums.fit(grid);
}

}  // namespace detail
}  // namespace pairfit
