#include "search/pair_arrays.h"

#include <cmath>

#include "superpose/superpose.h"

void load_pairs(pair_arrays *p, const molecule *mol1, const molecule *mol2) {
    p->n = mol1->natoms;
    p->nselected = 0;
    for (int i = 0; i < p->n; ++i) {
        const atom *a1 = &mol1->atoms[i], *a2 = &mol2->atoms[i];
        p->x1[i] = a1->x;
        p->y1[i] = a1->y;
        p->z1[i] = a1->z;
        p->x2[i] = a2->x;
        p->y2[i] = a2->y;
        p->z2[i] = a2->z;
        p->sqdev[i] = a1->sqdev;
        p->selected[i] = a1->selected;
        if (a1->selected) p->order[p->nselected++] = i;
    }
}

void store_pairs(const pair_arrays *p, molecule *mol1, molecule *mol2) {
    for (int i = 0; i < p->n; ++i) {
        atom *a1 = &mol1->atoms[i], *a2 = &mol2->atoms[i];
        a1->x = p->x1[i];
        a1->y = p->y1[i];
        a1->z = p->z1[i];
        a2->x = p->x2[i];
        a2->y = p->y2[i];
        a2->z = p->z2[i];
        a1->sqdev = a2->sqdev = p->sqdev[i];
        a1->selected = a2->selected = p->selected[i];
    }
}

void clear_selection(pair_arrays *p) {
    for (int i = 0; i < p->n; ++i) p->selected[i] = 0;
    p->nselected = 0;
}

void select_pair(pair_arrays *p, int j) {
    p->selected[j] = 1;
    int t = p->nselected++;
    for (; t > 0 && p->order[t - 1] > j; --t) p->order[t] = p->order[t - 1];
    p->order[t] = j;
}

void fit_selected_pairs(pair_arrays *p, double u[9], pair_fit *result) {
    const int k = p->nselected;
    const int *order = p->order;
    double *__restrict x1 = p->x1, *__restrict y1 = p->y1, *__restrict z1 = p->z1;
    double *__restrict x2 = p->x2, *__restrict y2 = p->y2, *__restrict z2 = p->z2;

    // Centroids of the selected pairs, summed in index order.
    double s1x = 0.0, s1y = 0.0, s1z = 0.0, s2x = 0.0, s2y = 0.0, s2z = 0.0;
    for (int t = 0; t < k; ++t) {
        int i = order[t];
        s1x += x1[i];
        s1y += y1[i];
        s1z += z1[i];
        s2x += x2[i];
        s2y += y2[i];
        s2z += z2[i];
    }
    const double c1x = s1x / k, c1y = s1y / k, c1z = s1z / k;
    const double c2x = s2x / k, c2y = s2y / k, c2z = s2z / k;

    // Correlation matrix of the centred selected pairs. The centred values
    // are exactly those the pass below stores.
    double h[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int t = 0; t < k; ++t) {
        int i = order[t];
        const double a[3] = {x1[i] - c1x, y1[i] - c1y, z1[i] - c1z};
        const double b[3] = {x2[i] - c2x, y2[i] - c2y, z2[i] - c2z};
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) h[3 * r + c] += a[r] * b[c];
    }
    fit_rotation(h, u);

    // Centre both molecules and turn molecule 2: element by element, so the
    // compiler can run it on several pairs at once without changing a bit.
    double *sqdev = p->sqdev;
    for (int i = 0; i < p->n; ++i) {
        double ax = x1[i] - c1x, ay = y1[i] - c1y, az = z1[i] - c1z;
        double bx = x2[i] - c2x, by = y2[i] - c2y, bz = z2[i] - c2z;
        double rx = u[0] * bx + u[1] * by + u[2] * bz;
        double ry = u[3] * bx + u[4] * by + u[5] * bz;
        double rz = u[6] * bx + u[7] * by + u[8] * bz;
        x1[i] = ax;
        y1[i] = ay;
        z1[i] = az;
        x2[i] = rx;
        y2[i] = ry;
        z2[i] = rz;
        double dx = ax - rx, dy = ay - ry, dz = az - rz;
        sqdev[i] = dx * dx + dy * dy + dz * dz;
    }

    // The sums over the selected pairs, in index order.
    double sum = 0.0, score = 0.0;
    for (int t = 0; t < k; ++t) {
        double sq = sqdev[order[t]];
        sum += sq;
        score += 1.0 / (1.0 + sq / 5.0);
    }

    double closest = 9999.0;
    int candidate = -1;
    for (int i = 0; i < p->n; ++i)
        if (!p->selected[i] && sqdev[i] < closest) {
            closest = sqdev[i];
            candidate = i;
        }

    result->rms = std::sqrt(sum / k);
    result->score = score * 20.0;
    result->closest = candidate;
}
