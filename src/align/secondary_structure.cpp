#include "align/secondary_structure.h"

#include <cmath>

namespace pairfit {

namespace {

bool near_all(const double (&d)[6], double two, double three, double four, double tolerance) {
    // d: (i-2,i), (i-2,i+1), (i-2,i+2), (i-1,i+1), (i-1,i+2), (i,i+2)
    const double ideal[6] = {two, three, four, two, three, two};
    for (int k = 0; k < 6; ++k)
        if (std::fabs(d[k] - ideal[k]) >= tolerance) return false;
    return true;
}

// Runs of letter shorter than min_length become coil.
void drop_short_runs(std::string &ss, char letter, size_t min_length) {
    for (size_t i = 0; i < ss.size();) {
        if (ss[i] != letter) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < ss.size() && ss[end] == letter) ++end;
        if (end - i < min_length)
            for (size_t k = i; k < end; ++k) ss[k] = 'C';
        i = end;
    }
}

}  // namespace

std::string assign_secondary_structure(const std::vector<gemmi::Position> &ca) {
    const size_t n = ca.size();
    std::string ss(n, 'C');
    for (size_t i = 2; i + 2 < n; ++i) {
        const gemmi::Position &a = ca[i - 2], &b = ca[i - 1], &c = ca[i], &e = ca[i + 1], &f = ca[i + 2];
        const double d[6] = {a.dist(c), a.dist(e), a.dist(f), b.dist(e), b.dist(f), c.dist(f)};
        if (near_all(d, 5.45, 5.18, 6.37, 2.1))
            ss[i] = 'H';
        else if (near_all(d, 6.1, 10.4, 13.0, 1.42))
            ss[i] = 'E';
        else if (d[2] < 8.0)
            ss[i] = 'T';
    }
    drop_short_runs(ss, 'H', 5);
    drop_short_runs(ss, 'E', 3);
    return ss;
}

}  // namespace pairfit
