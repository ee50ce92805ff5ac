#include "score/score.h"

double Levitt_Gerstein(const molecule *mol1, const molecule *) {
    double sum = 0.0;
    for (int i = 0; i < mol1->natoms; ++i) {
        const atom *a = &mol1->atoms[i];
        if (a->selected) sum += 1.0 / (1.0 + a->sqdev / 5.0);
    }
    return sum * 20.0;
}
