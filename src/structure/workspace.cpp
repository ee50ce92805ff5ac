#include "structure/molecule.h"

thread_local molecule m[2];
thread_local int ma[2];
thread_local double rms;

thread_local int verbose_flag, fraction_flag, select1_flag, select2_flag,
    align_flag, b_flag, out_flag;
thread_local char outfile[PATH_SIZE];
