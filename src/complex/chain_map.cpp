// Chain mapping of two assemblies: candidate chain pairs by sequence
// similarity, then the assignment whose joint superposition fits best,
// found from a few seeds rather than by trying every assignment.
#include <algorithm>
#include <functional>
#include <map>
#include <utility>

#include <gemmi/qcp.hpp>
#include <gemmi/seqalign.hpp>
#include <nlohmann/json.hpp>

#include "pairfit/complex.h"
#include "pairfit/selection.h"
#include "score/method_rules.h"
#include "structure/residue_sequence.h"

namespace pairfit {

namespace {

// The similarity of two chains is the score of the global alignment of
// their sequences (BLOSUM62, gaps at either end not counted) as a share of
// the smaller of their scores against themselves: 1 for one sequence,
// about 0.4 for the alpha and beta chains of hemoglobin, below 0 for
// unrelated chains. Chains less similar are never mapped onto each other.
constexpr double min_similarity = 0.05;
// A chain's candidate partners are at most this far below the best
// similarity it has (so that an alpha chain is not taken for a beta chain).
constexpr double similarity_margin = 0.1;
// Centre distance, in Angstrom, that weighs as much as the whole
// similarity when chains are assigned.
constexpr double distance_per_similarity = 100.0;
// Rounds of superposing on the mapped chains and reassigning.
constexpr int max_refinements = 6;
// The fit that judges an assignment keeps, in its later rounds, the pairs
// closer than this (Angstrom), so that chains that moved do not spoil it.
constexpr double close_pair_distance = 4.0;
constexpr int close_pair_rounds = 3;

struct chain {
    int begin = 0, end = 0;          // its atoms
    std::vector<std::string> codes;  // its residues as the alignment scores them
    gemmi::Position centre;
    structure atoms;  // the chain alone, for pairing its residues
};

std::vector<chain> chains_of(const structure &s) {
    std::vector<chain> chains;
    for (const residue_sequence &segment : segments_of(s)) {
        chain c;
        c.begin = segment.front().atom;
        c.end = segment.back().atom + segment.back().count;
        for (const sequence_residue &r : segment) c.codes.push_back(r.code);
        c.atoms.source = s.source;
        c.atoms.selection = s.selection;
        c.atoms.atoms.assign(s.atoms.begin() + c.begin, s.atoms.begin() + c.end);
        for (const ca_atom &a : c.atoms.atoms) c.centre += gemmi::Position(a.x, a.y, a.z);
        c.centre /= static_cast<double>(c.atoms.size());
        chains.push_back(std::move(c));
    }
    return chains;
}

gemmi::Position position(const ca_atom &a) {
    return gemmi::Position(a.x, a.y, a.z);
}

// The sum of the pairs' Levitt-Gerstein score terms under t: near pairs
// count about 1, far pairs about 0.
double fit_quality(const std::vector<gemmi::Position> &p1, const std::vector<gemmi::Position> &p2,
                   const gemmi::Transform &t) {
    double sum = 0.0;
    for (size_t k = 0; k < p1.size(); ++k) sum += score_term(p1[k].dist_sq(gemmi::Position(t.apply(p2[k]))));
    return sum;
}

// Superposes p2 onto p1: least squares on every pair, then on the close
// pairs only; returns the transform of the best quality.
gemmi::Transform robust_fit(const std::vector<gemmi::Position> &p1, const std::vector<gemmi::Position> &p2,
                            double *quality) {
    gemmi::Transform best = gemmi::superpose_positions(p1.data(), p2.data(), p1.size(), nullptr).transform;
    *quality = fit_quality(p1, p2, best);
    gemmi::Transform current = best;
    std::vector<gemmi::Position> close1, close2;
    const double limit = close_pair_distance * close_pair_distance;
    for (int round = 0; round < close_pair_rounds; ++round) {
        close1.clear();
        close2.clear();
        for (size_t k = 0; k < p1.size(); ++k)
            if (p1[k].dist_sq(gemmi::Position(current.apply(p2[k]))) < limit) {
                close1.push_back(p1[k]);
                close2.push_back(p2[k]);
            }
        if (close1.size() < 3 || close1.size() == p1.size()) break;
        current = gemmi::superpose_positions(close1.data(), close2.data(), close1.size(), nullptr).transform;
        const double q = fit_quality(p1, p2, current);
        if (q > *quality) {
            *quality = q;
            best = current;
        }
    }
    return best;
}

class chain_mapper {
public:
    chain_mapper(const structure &first, const structure &second, pairing_method method)
        : chains1_(chains_of(first)), chains2_(chains_of(second)), method_(method) {
        find_candidates();
        if (candidates_.empty())
            throw error("No chain of " + display_name(first) + " is similar in sequence to a chain of " +
                        display_name(second) +
                        " (a global alignment scoring at least 5% of a chain's score against itself)");
    }

    // Per chain of structure 1: its partner in structure 2, or -1.
    std::vector<int> best_assignment() {
        // Seeds: the candidate partners of the largest chain (with any) of
        // the structure with fewer chains, so that every copy it could be is tried.
        const bool from_second = chains2_.size() < chains1_.size();
        int seed = -1;
        size_t seed_size = 0;
        for (const candidate &c : candidates_) {
            const int own = from_second ? c.second : c.first;
            const size_t size = (from_second ? chains2_ : chains1_)[own].codes.size();
            if (seed < 0 || size > seed_size || (size == seed_size && own < seed)) {
                seed = own;
                seed_size = size;
            }
        }
        std::vector<int> best;
        double best_quality = -1.0;
        for (const candidate &c : candidates_) {
            if ((from_second ? c.second : c.first) != seed) continue;
            std::vector<int> partner(chains1_.size(), -1);
            partner[c.first] = c.second;
            double quality = 0.0;
            gemmi::Transform t = joint_fit(partner, &quality);
            for (int round = 0; round < max_refinements; ++round) {
                std::vector<int> next = assign(t);
                if (next == partner) break;
                partner = std::move(next);
                t = joint_fit(partner, &quality);
            }
            if (quality > best_quality) {
                best_quality = quality;
                best = partner;
            }
        }
        return best;
    }

    const std::vector<chain> &chains1() const { return chains1_; }
    const std::vector<chain> &chains2() const { return chains2_; }

    // The residue pairs of chain i of structure 1 with chain j of structure
    // 2, indices within each chain.
    const pairing &chain_pairs(int i, int j) {
        auto found = pairs_.find({i, j});
        if (found == pairs_.end())
            found = pairs_
                        .emplace(std::make_pair(i, j),
                                 pair_residues(chains1_[i].atoms, chains2_[j].atoms, method_))
                        .first;
        return found->second;
    }

private:
    struct candidate {
        int first, second;
        double similarity;
    };

    static int alignment_score(const std::vector<std::string> &a, const std::vector<std::string> &b) {
        static const gemmi::AlignmentScoring scoring = gemmi::prepare_blosum62_scoring();
        const gemmi::AlignmentResult result =
            gemmi::align_string_sequences(a, b, std::vector<bool>(), scoring);
        int score = result.score;
        // A chain with a few more residues at an end is no less similar.
        for (size_t k = 0; k < result.cigar.size(); k += std::max<size_t>(result.cigar.size() - 1, 1))
            if (result.cigar[k].op() != 'M')
                score -= scoring.gapo + scoring.gape * static_cast<int>(result.cigar[k].len());
        return score;
    }

    void find_candidates() {
        // Chains of one sequence share their alignments (homo-oligomers).
        std::map<std::pair<std::vector<std::string>, std::vector<std::string>>, double> known;
        std::map<std::vector<std::string>, int> own_score;
        auto self_score = [&](const std::vector<std::string> &codes) {
            auto found = own_score.find(codes);
            if (found == own_score.end())
                found = own_score.emplace(codes, alignment_score(codes, codes)).first;
            return found->second;
        };
        std::vector<std::vector<double>> similarity(chains1_.size(), std::vector<double>(chains2_.size()));
        std::vector<double> best1(chains1_.size(), 0.0), best2(chains2_.size(), 0.0);
        for (size_t i = 0; i < chains1_.size(); ++i)
            for (size_t j = 0; j < chains2_.size(); ++j) {
                const auto key = std::make_pair(chains1_[i].codes, chains2_[j].codes);
                auto found = known.find(key);
                if (found == known.end()) {
                    const int scale = std::min(self_score(key.first), self_score(key.second));
                    const double s =
                        scale > 0 ? static_cast<double>(alignment_score(key.first, key.second)) / scale : 0.0;
                    found = known.emplace(key, s).first;
                }
                similarity[i][j] = found->second;
                best1[i] = std::max(best1[i], found->second);
                best2[j] = std::max(best2[j], found->second);
            }
        best_similarity_ = best1;
        for (size_t i = 0; i < chains1_.size(); ++i)
            for (size_t j = 0; j < chains2_.size(); ++j) {
                const double s = similarity[i][j];
                if (s >= min_similarity && s >= best1[i] - similarity_margin &&
                    s >= best2[j] - similarity_margin)
                    candidates_.push_back({static_cast<int>(i), static_cast<int>(j), s});
            }
    }

    // Superposes structure 2 onto structure 1 on the residue pairs of every
    // mapped chain pair.
    gemmi::Transform joint_fit(const std::vector<int> &partner, double *quality) {
        std::vector<gemmi::Position> p1, p2;
        for (size_t i = 0; i < partner.size(); ++i) {
            if (partner[i] < 0) continue;
            const pairing &p = chain_pairs(static_cast<int>(i), partner[i]);
            for (size_t k = 0; k < p.size(); ++k) {
                p1.push_back(position(chains1_[i].atoms.atoms[p.first[k]]));
                p2.push_back(position(chains2_[partner[i]].atoms.atoms[p.second[k]]));
            }
        }
        if (p1.size() < 3) {
            // Too few pairs to fit a rotation: the centres alone.
            *quality = static_cast<double>(p1.size());
            gemmi::Transform shift;
            for (size_t i = 0; i < partner.size(); ++i)
                if (partner[i] >= 0) {
                    shift.vec = chains1_[i].centre - chains2_[partner[i]].centre;
                    break;
                }
            return shift;
        }
        return robust_fit(p1, p2, quality);
    }

    // Assigns chains greedily, nearest centres (after t) first, a lower
    // similarity counting as extra distance.
    std::vector<int> assign(const gemmi::Transform &t) const {
        std::vector<std::pair<double, const candidate *>> order;
        order.reserve(candidates_.size());
        for (const candidate &c : candidates_) {
            const double distance =
                chains1_[c.first].centre.dist(gemmi::Position(t.apply(chains2_[c.second].centre)));
            const double cost =
                distance + distance_per_similarity * (best_similarity_[c.first] - c.similarity);
            order.emplace_back(cost, &c);
        }
        // Equal costs keep the candidates' order (their addresses increase
        // with it): a stable order without std::stable_sort, whose temporary
        // buffer the address sanitizer of this toolchain reports as freed
        // with the wrong function.
        std::sort(order.begin(), order.end(), [](const auto &a, const auto &b) {
            return a.first < b.first ||
                   (a.first == b.first && std::less<const candidate *>()(a.second, b.second));
        });
        std::vector<int> partner(chains1_.size(), -1);
        std::vector<char> taken(chains2_.size(), 0);
        for (const auto &entry : order) {
            const candidate &c = *entry.second;
            if (partner[c.first] >= 0 || taken[c.second]) continue;
            partner[c.first] = c.second;
            taken[c.second] = 1;
        }
        return partner;
    }

    std::vector<chain> chains1_, chains2_;
    pairing_method method_;
    std::vector<candidate> candidates_;
    std::vector<double> best_similarity_;  // per chain of structure 1
    std::map<std::pair<int, int>, pairing> pairs_;
};

}  // namespace

std::vector<std::string> chain_names(const structure &s) {
    std::vector<std::string> ids;
    std::vector<int> models;
    for (size_t k = 0; k < s.atoms.size(); ++k)
        if (k == 0 || !same_segment(s.atoms[k - 1], s.atoms[k])) {
            ids.push_back(s.atoms[k].chain_id);
            models.push_back(s.atoms[k].model);
        }
    std::vector<std::string> names = ids;
    for (size_t c = 0; c < ids.size(); ++c)
        for (size_t other = 0; other < ids.size(); ++other)
            if (ids[other] == ids[c] && models[other] != models[c]) {
                names[c] = std::to_string(models[c]) + "/" + ids[c];
                break;
            }
    return names;
}

complex_pairing pair_complexes(const structure &first, const structure &second, pairing_method method) {
    chain_mapper mapper(first, second, method);
    const std::vector<int> partner = mapper.best_assignment();
    const std::vector<chain> &chains1 = mapper.chains1(), &chains2 = mapper.chains2();
    const std::vector<std::string> names1 = chain_names(first), names2 = chain_names(second);

    complex_pairing out;
    out.second.source = second.source;
    out.second.selection = second.selection;
    out.second.atoms.reserve(second.atoms.size());
    std::vector<char> placed(chains2.size(), 0);
    auto place = [&](int j) {
        out.second.atoms.insert(out.second.atoms.end(), chains2[j].atoms.atoms.begin(),
                                chains2[j].atoms.atoms.end());
        placed[j] = 1;
    };
    for (size_t i = 0; i < chains1.size(); ++i) {
        const int j = partner[i];
        out.chain_map.push_back({names1[i], j >= 0 ? names2[j] : std::string()});
        if (j < 0) continue;
        const int offset = static_cast<int>(out.second.atoms.size());
        const pairing &p = mapper.chain_pairs(static_cast<int>(i), j);
        for (size_t k = 0; k < p.size(); ++k) {
            out.pairs.first.push_back(chains1[i].begin + p.first[k]);
            out.pairs.second.push_back(offset + p.second[k]);
        }
        place(j);
    }
    for (size_t j = 0; j < chains2.size(); ++j)
        if (!placed[j]) place(static_cast<int>(j));
    return out;
}

std::string chain_map_text(const std::vector<chain_match> &map) {
    std::string text;
    for (const chain_match &m : map) {
        if (!text.empty()) text += '\t';
        text += m.chain1 + "=" + (m.chain2.empty() ? "-" : m.chain2);
    }
    return text;
}

std::string chain_map_json(const std::vector<chain_match> &map) {
    nlohmann::json entries = nlohmann::json::array();
    for (const chain_match &m : map)
        entries.push_back(
            {{"chain1", m.chain1},
             {"chain2", m.chain2.empty() ? nlohmann::json(nullptr) : nlohmann::json(m.chain2)}});
    return entries.dump();
}

}  // namespace pairfit
