#include "pairfit/compare.h"

#include <gemmi/qcp.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "compare/fast_compare.h"
#include "score/method_rules.h"
#include "search/search.h"
#include "structure/molecule.h"
#include "superpose/superpose.h"

namespace pairfit {

// Everything one exact comparison works on, sized for MAX_ATOMS pairs.
struct workspace::state {
    molecule mol[2];            // structure 1 (reference) and 2 (moved), paired by index
    search_tables tables;
    best_subset best;
    double score_by_size[MAX_ATOMS + 1];
    double rotation[9];         // of the latest fit; nothing reads it
    // Structure 2's paired atoms as read and as superposed, for finding
    // the transformation again; kept so that a comparison allocates nothing.
    std::vector<gemmi::Position> input2, moved2;
};

workspace::workspace() = default;
workspace::~workspace() = default;
workspace::workspace(workspace &&) noexcept = default;
workspace &workspace::operator=(workspace &&) noexcept = default;

std::array<double, 3> rigid_transform::apply(const std::array<double, 3> &p) const {
    std::array<double, 3> q;
    for (int i = 0; i < 3; ++i)
        q[i] = rotation[i][0] * p[0] + rotation[i][1] * p[1] + rotation[i][2] * p[2] +
               translation[i];
    return q;
}

namespace {

void check_pairing(const structure &first, const structure &second, const pairing &pairs,
                   bool exact) {
    if (pairs.first.size() != pairs.second.size())
        throw error("The pairing lists differ in length");
    if (exact && pairs.size() > max_exact_atoms)
        throw error("Too many pairs for one comparison (" + std::to_string(pairs.size()) +
                    ", at most " + std::to_string(max_exact_atoms) + ")");
    for (size_t k = 0; k < pairs.size(); ++k)
        if (pairs.first[k] < 0 || static_cast<size_t>(pairs.first[k]) >= first.size() ||
            pairs.second[k] < 0 || static_cast<size_t>(pairs.second[k]) >= second.size())
            throw error("The pairing names an atom the structures do not have");
}

// The paired atoms of s, in pair order, all selected, as the search starts.
void load_molecule(const structure &s, const std::vector<int> &index, molecule *mol) {
    const int n = static_cast<int>(index.size());
    for (int k = 0; k < n; ++k) {
        const ca_atom &a = s.atoms[index[k]];
        mol->atoms[k] = atom{a.x, a.y, a.z, 0.0, 1};
    }
    mol->natoms = n;
}

// Restores the best subset's selection, centres both molecules on it and
// fits again; returns the fit's RMS. Without an accepted subset there is
// nothing to centre on: the selection is cleared and the molecules stay as
// the search left them (RMS 0).
double refit_best_subset(workspace::state *ws) {
    molecule &m1 = ws->mol[0], &m2 = ws->mol[1];
    for (int j = 0; j < m1.natoms; ++j) m1.atoms[j].selected = ws->best.best_selected1[j];
    for (int j = 0; j < m2.natoms; ++j) m2.atoms[j].selected = ws->best.best_selected2[j];
    if (ws->best.best_size == 0) return 0.0;
    center_molecule(&m1);
    center_molecule(&m2);
    return superimpose_molecules(&m1, &m2, ws->rotation);
}

// The SCORE values of the best subset; those of no subset when it is not
// larger than the minimum size.
void set_score_values(const best_subset &best, int min_size, size_t natoms1, result *out) {
    out->size = best.best_size;
    out->rms = best.best_rms;
    out->score = best.best_score;
    out->pvalue = best.best_pvalue;
    if (out->size < min_size) {
        out->size = 0;
        out->rms = 0.0;
        out->score = 0.0;
        out->pvalue = 1.0;
    }
    out->normalised_pvalue = normalised_pvalue(out->pvalue, natoms1);
}

// For points on one line (or at one point), where the least-squares fit's
// iteration does not converge (the turn about the line is free): the
// rotation that takes the line of from onto the line of to, the same
// points in the same order, turning about neither. False when the points
// span more than a line. The largest perpendicular distance allowed is a
// billionth of the points' extent.
bool rotation_of_line(const std::vector<gemmi::Position> &from, const std::vector<gemmi::Position> &to,
                      gemmi::Mat33 *rotation) {
    const size_t n = from.size();
    gemmi::Position c_from, c_to;
    for (size_t k = 0; k < n; ++k) {
        c_from += from[k];
        c_to += to[k];
    }
    c_from /= static_cast<double>(n);
    c_to /= static_cast<double>(n);
    size_t far = 0;
    for (size_t k = 1; k < n; ++k)
        if (from[k].dist_sq(c_from) > from[far].dist_sq(c_from)) far = k;
    const double extent = from[far].dist(c_from);
    *rotation = gemmi::Mat33();
    if (extent == 0.0) return true;
    const gemmi::Vec3 a = (from[far] - c_from) / extent;
    for (size_t k = 0; k < n; ++k)
        if ((from[k] - c_from).cross(a).length() > 1e-9 * extent) return false;
    const gemmi::Vec3 b = (to[far] - c_to).normalized();
    // Rodrigues' formula for the turn about a x b by the angle between them;
    // for opposite directions a half turn about an axis across a.
    const gemmi::Vec3 axis = a.cross(b);
    const double s = axis.length(), c = a.dot(b);
    gemmi::Vec3 k = s > 1e-12 ? axis / s : (std::fabs(a.x) < 0.9 ? gemmi::Vec3(1, 0, 0) : gemmi::Vec3(0, 1, 0)).cross(a).normalized();
    const double angle = std::atan2(s, c), sin_a = std::sin(angle), one_minus_cos = 1.0 - std::cos(angle);
    const gemmi::Mat33 cross_k(0, -k.z, k.y, k.z, 0, -k.x, -k.y, k.x, 0);
    const gemmi::Mat33 squared = cross_k.multiply(cross_k);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) rotation->a[i][j] += sin_a * cross_k.a[i][j] + one_minus_cos * squared.a[i][j];
    return true;
}

// The transformation that took structure 2's input coordinates to where the
// fits left them, found again by a least-squares fit over all pairs (the
// fits moved them rigidly, so it is exact to rounding), and then expressed
// in structure 1's input frame, which the fits only shifted.
void recover_transform(const structure &first, const structure &second, const pairing &pairs,
                       workspace::state *ws, result *out) {
    const size_t n = pairs.size();
    out->transform = rigid_transform();
    out->reference_shift = {0.0, 0.0, 0.0};
    if (n == 0) return;
    std::array<double, 3> shift = {0.0, 0.0, 0.0};
    std::vector<gemmi::Position> &input2 = ws->input2, &moved2 = ws->moved2;
    input2.resize(n);
    moved2.resize(n);
    for (size_t k = 0; k < n; ++k) {
        const ca_atom &a = first.atoms[pairs.first[k]], &b = second.atoms[pairs.second[k]];
        shift[0] += out->superposed1[k][0] - a.x;
        shift[1] += out->superposed1[k][1] - a.y;
        shift[2] += out->superposed1[k][2] - a.z;
        input2[k] = gemmi::Position(b.x, b.y, b.z);
        moved2[k] = gemmi::Position(out->superposed2[k][0], out->superposed2[k][1],
                                    out->superposed2[k][2]);
    }
    for (double &s : shift) s /= static_cast<double>(n);
    out->reference_shift = shift;
    if (n < 3) {
        // Too few points to fix a rotation; the fits leave fewer than five
        // pairs where they were.
        for (int i = 0; i < 3; ++i)
            out->transform.translation[i] = out->superposed2[0][i] - input2[0].at(i) - shift[i];
        return;
    }
    gemmi::Transform fit;
    if (rotation_of_line(input2, moved2, &fit.mat)) {
        // Structure 2 on a line: the least-squares iteration would not
        // converge (and say so on standard error).
        gemmi::Position c_in, c_moved;
        for (size_t k = 0; k < n; ++k) {
            c_in += input2[k];
            c_moved += moved2[k];
        }
        fit.vec = (c_moved - gemmi::Position(fit.mat.multiply(c_in))) / static_cast<double>(n);
    } else {
        fit = gemmi::superpose_positions(moved2.data(), input2.data(), n, nullptr).transform;
    }
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) out->transform.rotation[i][j] = fit.mat[i][j];
        out->transform.translation[i] = fit.vec.at(i) - shift[i];
    }
}

}  // namespace

void compare(workspace &ws, const structure &first, const structure &second, const pairing &pairs,
             const compare_options &options, result &out) {
    check_pairing(first, second, pairs, options.mode == search_mode::exact);
    if (options.mode == search_mode::fast) {
        compare_fast(first, second, pairs, options, out);
        return;
    }
    if (!ws.state_) ws.state_ = std::make_unique<workspace::state>();
    workspace::state *s = ws.state_.get();
    molecule &m1 = s->mol[0], &m2 = s->mol[1];
    load_molecule(first, pairs.first, &m1);
    load_molecule(second, pairs.second, &m2);
    const int n = m1.natoms;

    search_settings settings{options.min_size, options.per_size_scores, options.observer};
    search_best_subset(&m1, &m2, settings, &s->tables, &s->best, s->score_by_size, s->rotation);

    out.max_natoms = static_cast<int>(std::max(first.size(), second.size()));
    out.npairs = n;
    set_score_values(s->best, options.min_size, first.size(), &out);
    out.in_subset.resize(n);
    for (int j = 0; j < n; ++j) out.in_subset[j] = s->best.best_selected1[j] != 0;
    out.score_by_size.clear();
    if (options.per_size_scores)
        out.score_by_size.assign(s->score_by_size, s->score_by_size + n + 1);

    out.final_rms = refit_best_subset(s);
    out.distances.resize(n);
    for (int j = 0; j < n; ++j) out.distances[j] = std::sqrt(m1.atoms[j].sqdev);
    if (options.refit_for_coordinates) refit_best_subset(s);
    out.superposed1.resize(n);
    out.superposed2.resize(n);
    for (int j = 0; j < n; ++j) {
        out.superposed1[j] = {m1.atoms[j].x, m1.atoms[j].y, m1.atoms[j].z};
        out.superposed2[j] = {m2.atoms[j].x, m2.atoms[j].y, m2.atoms[j].z};
    }
    recover_transform(first, second, pairs, s, &out);
}

result compare(const structure &first, const structure &second, const pairing &pairs,
               const compare_options &options) {
    workspace ws;
    result out;
    compare(ws, first, second, pairs, options, out);
    return out;
}

std::string score_values(const result &r) {
    char text[256];
    std::snprintf(text, sizeof text, "%d\t%d\t%.1f\t%.1f\t%e\t%e", r.max_natoms, r.size, r.rms,
                  r.score, r.pvalue, r.normalised_pvalue);
    return text;
}

double score_pvalue(int n, double s) { return pvalue_of_score(n, s); }

}  // namespace pairfit
