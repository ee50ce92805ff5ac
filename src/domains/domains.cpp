#include "pairfit/domains.h"

#include "superpose/matrix.h"
#include "superpose/rigid_transform_gemmi.h"

namespace pairfit {

namespace {

// a after b: x -> a(b(x)), the rotations multiplied as the fit multiplies them.
gemmi::Transform compose(const gemmi::Transform &a, const gemmi::Transform &b) {
    return {product_from_zero(a.mat, b.mat), a.vec + a.mat.multiply(b.vec)};
}

// The inverse of a rigid motion, by the rotation's transpose (gemmi's
// Transform::inverse inverts a general matrix, with other roundings).
gemmi::Transform rigid_inverse(const gemmi::Transform &t) {
    const gemmi::Mat33 back = t.mat.transpose();
    return {back, back.multiply(t.vec).negated()};
}

domain first_domain(const result &best) {
    domain d;
    for (int k = 0; k < best.npairs; ++k)
        if (best.in_subset[k]) d.pairs.push_back(k);
    d.size = best.size;
    d.rms = best.rms;
    d.score = best.score;
    d.pvalue = best.pvalue;
    d.transform = best.transform;
    return d;
}

std::vector<hinge> find_hinges(const structure &first, const pairing &pairs,
                               const std::vector<int> &domain_of_pair) {
    std::vector<hinge> hinges;
    int previous = -1;
    for (int k = 0; k < static_cast<int>(domain_of_pair.size()); ++k) {
        if (domain_of_pair[k] == 0) continue;
        if (previous >= 0 && domain_of_pair[previous] != domain_of_pair[k]) {
            const ca_atom &a = first.atoms[pairs.first[previous]], &b = first.atoms[pairs.first[k]];
            if (a.model == b.model && a.chain_id == b.chain_id)
                hinges.push_back({previous, k, domain_of_pair[previous], domain_of_pair[k]});
        }
        previous = k;
    }
    return hinges;
}

}  // namespace

domain_analysis find_domains(workspace &ws, const structure &first, const structure &second,
                             const pairing &pairs, const compare_options &options, const result &best,
                             const domain_options &domain_settings) {
    domain_analysis out;
    const int n = static_cast<int>(pairs.size());
    out.domain_of_pair.assign(n, 0);
    if (best.size == 0 || best.npairs != n) return out;
    out.domains.push_back(first_domain(best));
    for (int k : out.domains.front().pairs) out.domain_of_pair[k] = 1;

    compare_options search = options;
    search.observer = nullptr;
    search.per_size_scores = false;
    pairing rest;
    std::vector<int> rest_index;  // the pair each of rest's pairs is
    result found;
    for (;;) {
        rest.first.clear();
        rest.second.clear();
        rest_index.clear();
        for (int k = 0; k < n; ++k)
            if (out.domain_of_pair[k] == 0) {
                rest.first.push_back(pairs.first[k]);
                rest.second.push_back(pairs.second[k]);
                rest_index.push_back(k);
            }
        // A domain has more than min_size pairs.
        if (static_cast<long long>(rest.size()) <= static_cast<long long>(options.min_size)) break;
        compare(ws, first, second, rest, search, found);
        if (found.size == 0 || !(found.pvalue <= domain_settings.max_pvalue)) break;
        domain d;
        for (int j = 0; j < found.npairs; ++j)
            if (found.in_subset[j]) d.pairs.push_back(rest_index[j]);
        d.size = found.size;
        d.rms = found.rms;
        d.score = found.score;
        d.pvalue = found.pvalue;
        d.transform = found.transform;
        d.motion = screw_from_transform(
            from_gemmi(compose(to_gemmi(best.transform), rigid_inverse(to_gemmi(found.transform)))));
        const int number = static_cast<int>(out.domains.size()) + 1;
        for (int k : d.pairs) out.domain_of_pair[k] = number;
        out.domains.push_back(std::move(d));
    }
    out.hinges = find_hinges(first, pairs, out.domain_of_pair);
    return out;
}

domain_analysis find_domains(const structure &first, const structure &second, const pairing &pairs,
                             const compare_options &options, const result &best,
                             const domain_options &domain_settings) {
    workspace ws;
    return find_domains(ws, first, second, pairs, options, best, domain_settings);
}

}  // namespace pairfit
