#include "fast/closed_form_fit.h"

#include <gemmi/qcp.hpp>

#include <algorithm>
#include <cmath>

namespace pairfit {
namespace detail {

fixed_point_pairs::fixed_point_pairs(const std::vector<gemmi::Vec3> &first,
                                     const std::vector<gemmi::Vec3> &second) {
    const std::size_t n = std::min(first.size(), second.size());
    // Each structure about the middle of its bounding box.
    const std::vector<gemmi::Vec3> *structures[2] = {&first, &second};
    double extent = 0.0;
    for (int s = 0; s < 2; ++s) {
        for (int c = 0; c < 3; ++c) {
            double low = 0.0, high = 0.0;
            for (std::size_t k = 0; k < n; ++k) {
                double v = component((*structures[s])[k], c);
                if (k == 0 || v < low) low = v;
                if (k == 0 || v > high) high = v;
            }
            component(origin_[s], c) = low + (high - low) / 2;
            for (std::size_t k = 0; k < n; ++k)
                extent =
                    std::max(extent, std::fabs(component((*structures[s])[k], c) - component(origin_[s], c)));
        }
    }
    // The finest power-of-two grid on which n times the largest coordinate
    // stays below 2^60: then every sum of a subset fits 64 bits and every
    // centred sum (n times a sum of products less a product of sums) fits
    // 128 bits exactly.
    double limit = std::ldexp(1.0, 60) / (static_cast<double>(std::max<std::size_t>(n, 1)) *
                                          std::max(extent, std::ldexp(1.0, -20)));
    int exponent;
    std::frexp(limit, &exponent);  // limit = f 2^exponent, 0.5 <= f < 1
    exponent -= 1;
    unit_ = std::ldexp(1.0, -exponent);
    grid_.resize(6 * n);
    for (std::size_t k = 0; k < n; ++k)
        for (int s = 0; s < 2; ++s)
            for (int c = 0; c < 3; ++c)
                grid_[6 * k + 3 * s + c] = std::llround(
                    std::ldexp(component((*structures[s])[k], c) - component(origin_[s], c), exponent));
}

void subset_sums::clear() {
    *this = subset_sums();
}

void subset_sums::add(const std::int64_t *pair) {
    ++count_;
    const std::int64_t *a = pair, *b = pair + 3;
    for (int i = 0; i < 3; ++i) {
        sum1_[i] += a[i];
        sum2_[i] += b[i];
        square1_ += static_cast<__int128>(a[i]) * a[i];
        square2_ += static_cast<__int128>(b[i]) * b[i];
        for (int j = 0; j < 3; ++j) cross_[3 * i + j] += static_cast<__int128>(a[i]) * b[j];
    }
}

namespace {

// An exact integer to the nearest-but-one double at worst: the high and low
// 64 bits converted apart. Deterministic, and far faster than the library's
// correctly rounded conversion. The low 64 bits go through their two 32-bit
// halves, whose exact sum rounds once to the same double as converting them
// whole, without the branch that an unsigned 64-bit conversion costs here.
inline double to_double(__int128 v) {
    const std::int64_t high = static_cast<std::int64_t>(v >> 64);
    const std::uint64_t low = static_cast<std::uint64_t>(v);
    const double low_value = static_cast<double>(static_cast<std::int64_t>(low >> 32)) * 4294967296.0 +
                             static_cast<double>(static_cast<std::int64_t>(low & 0xffffffffu));
    return static_cast<double>(high) * 18446744073709551616.0 + low_value;
}

}  // namespace

// How far the computed rotation r is from a true rotation: |r^T r - I| in
// the Frobenius norm, which bounds the spectral distance to the nearest
// rotation (r's polar factor), plus a floor for the rounding of this sum.
double rotation_error(const gemmi::Mat33 &r) {
    double e2 = 0.0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double d =
                r.a[0][i] * r.a[0][j] + r.a[1][i] * r.a[1][j] + r.a[2][i] * r.a[2][j] - (i == j ? 1.0 : 0.0);
            e2 += d * d;
        }
    return std::sqrt(e2) + 1e-15;
}

// An upper bound on the spectral norm of a - b, given each one's
// rotation_error: the most any vector v is moved, |(a - b) v| / |v|. For two
// exact rotations the difference has two equal singular values and a zero
// one, so the spectral norm is the Frobenius norm over sqrt 2; near
// rotations add their errors (the factor 2.3 > 1 + sqrt(3/2) covers
// passing to the polar factors and back), and the Frobenius norm is a
// bound for any matrix. The factor 1 + 1e-14 covers the rounding of the sum.
double rotation_distance(const gemmi::Mat33 &a, double error_a, const gemmi::Mat33 &b, double error_b) {
    double d2 = 0.0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double d = a.a[i][j] - b.a[i][j];
            d2 += d * d;
        }
    const double frobenius = std::sqrt(d2) * (1.0 + 1e-14);
    return std::min(frobenius, frobenius * 0.70710678118654757 + 2.3 * (error_a + error_b));
}

rigid_fit subset_sums::fit(const fixed_point_pairs &grid) const {
    rigid_fit f;
    const int n = count_;
    f.size = n;
    if (n == 0) return f;
    const double dn = n, unit = grid.unit(), area = unit * unit;
    for (int i = 0; i < 3; ++i) {
        component(f.centre1, i) = component(grid.origin(0), i) + static_cast<double>(sum1_[i]) / dn * unit;
        component(f.centre2, i) = component(grid.origin(1), i) + static_cast<double>(sum2_[i]) / dn * unit;
    }
    // Centred sums times n, exact: n sum(a b) - sum(a) sum(b).
    gemmi::Mat33 h;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            __int128 centred = n * cross_[3 * i + j] - static_cast<__int128>(sum1_[i]) * sum2_[j];
            h.a[i][j] = to_double(centred) / dn * area;
        }
    __int128 spread1 = n * square1_, spread2 = n * square2_;
    for (int i = 0; i < 3; ++i) {
        spread1 -= static_cast<__int128>(sum1_[i]) * sum1_[i];
        spread2 -= static_cast<__int128>(sum2_[i]) * sum2_[i];
    }
    double e0 = (to_double(spread1) / dn * area + to_double(spread2) / dn * area) / 2;
    f.rotation_error_bound = rotation_from_inner_product(h, e0, n, f.rotation, &f.rms);
    return f;
}

namespace {

const double QUATERNION_ROTATION_ERROR = 1e-13;

double norm3(const double v[3]) {
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

void cross3(const double a[3], const double b[3], double out[3]) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

// h = sigma u v^T: the rotations taking v onto u are optimal; this is the
// smallest of them (a half turn about an axis across v when u = -v).
void rank_one_rotation(const gemmi::Mat33 &h, double sigma, gemmi::Mat33 &r) {
    int row = 0;
    double best = -1.0;
    for (int i = 0; i < 3; ++i) {
        double len = norm3(h.a[i]);
        if (len > best) best = len, row = i;
    }
    double v[3], u[3];
    for (int j = 0; j < 3; ++j) v[j] = h.a[row][j] / best;
    for (int i = 0; i < 3; ++i) u[i] = (h.a[i][0] * v[0] + h.a[i][1] * v[1] + h.a[i][2] * v[2]) / sigma;
    double ulen = norm3(u);
    for (int i = 0; i < 3; ++i) u[i] /= ulen;
    double c = v[0] * u[0] + v[1] * u[1] + v[2] * u[2];
    if (c > -1.0 + 1e-9) {
        // Rodrigues: I + [w]x + [w]x^2 / (1 + c), w = v x u.
        double w[3];
        cross3(v, u, w);
        const gemmi::Mat33 k(0, -w[2], w[1], w[2], 0, -w[0], -w[1], w[0], 0);
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) {
                double kk = 0.0;
                for (int m = 0; m < 3; ++m) kk += k.a[i][m] * k.a[m][j];
                r.a[i][j] = (i == j ? 1.0 : 0.0) + k.a[i][j] + kk / (1.0 + c);
            }
        return;
    }
    // Half turn about an axis a perpendicular to v: 2 a a^T - I.
    int least = 0;
    for (int i = 1; i < 3; ++i)
        if (std::fabs(v[i]) < std::fabs(v[least])) least = i;
    double e[3] = {0, 0, 0}, a[3];
    e[least] = 1.0;
    cross3(v, e, a);
    double alen = norm3(a);
    for (int i = 0; i < 3; ++i) a[i] /= alen;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.a[i][j] = 2.0 * a[i] * a[j] - (i == j ? 1.0 : 0.0);
}

}  // namespace

double rotation_from_inner_product(const gemmi::Mat33 &h, double e0, int n, gemmi::Mat33 &rotation,
                                   double *rms) {
    double frob2 = 0.0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) frob2 += h.a[i][j] * h.a[i][j];
    if (frob2 == 0.0) {
        // One of the subsets is a single point: every rotation fits alike.
        rotation = gemmi::Mat33();
        *rms = std::sqrt(std::fabs(2.0 * e0 / n));
        return rotation_error(rotation);
    }
    // Rank one (collinear points): the largest eigenvalue of the quaternion
    // matrix is double, where the Newton iteration of the general solver
    // converges only linearly, so this case is solved directly. The test
    // sums the squares of the nine 2 x 2 minors; one of them above the
    // limit already rules it out, as it nearly always does.
    auto minor = [&h](int i, int j) {
        int i1 = (i + 1) % 3, i2 = (i + 2) % 3, j1 = (j + 1) % 3, j2 = (j + 2) % 3;
        return h.a[i1][j1] * h.a[i2][j2] - h.a[i1][j2] * h.a[i2][j1];
    };
    const double limit = 1e-18 * frob2 * frob2, first = minor(2, 2);
    bool rank_one = false;
    if (!(first * first > limit)) {
        double adjugate2 = 0.0;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) adjugate2 += minor(i, j) * minor(i, j);
        rank_one = adjugate2 <= limit;
    }
    if (rank_one) {
        double sigma = std::sqrt(frob2);
        rank_one_rotation(h, sigma, rotation);
        *rms = std::sqrt(std::fabs(2.0 * (e0 - sigma) / n));
        return rotation_error(rotation);  // near a half turn Rodrigues' form loses digits
    }
    gemmi::fast_calc_rmsd_and_rotation(&rotation, h, rms, e0, n, -1);
    // The solver builds the rotation M(q) from a quaternion q it has just
    // divided by its length, each entry a sum of products such as
    // q1 q1 + q2 q2 - q3 q3 - q4 q4 (or the identity when it finds none). In
    // exact arithmetic M(q)^T M(q) = |q|^4 I, and |q|^2 is within a few
    // units of roundoff (u = 2^-53) of 1; each entry is within about 8 u of
    // M(q)'s. So |R^T R - I| in the Frobenius norm is at most about 62 u,
    // 7e-15: the bound below leaves a margin of 14.
    return QUATERNION_ROTATION_ERROR;
}

}  // namespace detail
}  // namespace pairfit
