// Choosing processor-specific code. Where GCC builds for x86-64, the hot
// loops are built in versions for wider vectors too (AVX2, AVX-512) and the
// program picks the widest its processor runs. Every operation in them is an
// IEEE operation on single elements, so all versions give the same bits.
// PAIRFIT_PORTABLE builds only the plain versions (the sanitizer build tests
// that path against the same expected outputs); PAIRFIT_MAX_WIDTH=4 stops at
// AVX2, so that a machine with AVX-512 tests that path too.
#ifndef PAIRFIT_PROCESSOR_VERSIONS_H
#define PAIRFIT_PROCESSOR_VERSIONS_H

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(PAIRFIT_PORTABLE)
// Defined when the versions for wider vectors are built.
#define PAIRFIT_X86_VERSIONS 1
#endif

#ifndef PAIRFIT_MAX_WIDTH
#define PAIRFIT_MAX_WIDTH 8
#endif

// Function attributes: build the function for AVX2 and plain x86-64, or for
// AVX-512, AVX2 and plain x86-64, chosen when the program starts.
#ifdef PAIRFIT_X86_VERSIONS
#define PAIRFIT_VERSIONS_AVX2 __attribute__((target_clones("avx2", "default")))
#define PAIRFIT_VERSIONS_AVX512 __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))
#else
#define PAIRFIT_VERSIONS_AVX2
#define PAIRFIT_VERSIONS_AVX512
#endif

namespace pairfit {

// The widest vectors of doubles, in elements, that this processor runs and
// the build allows: 8 (AVX-512), 4 (AVX2) or 2 (plain x86-64 and every
// other processor).
inline int widest_double_vectors() {
#ifdef PAIRFIT_X86_VERSIONS
    __builtin_cpu_init();
    if (PAIRFIT_MAX_WIDTH >= 8 && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
        __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512dq") &&
        __builtin_cpu_supports("avx512cd"))
        return 8;
    if (PAIRFIT_MAX_WIDTH >= 4 && __builtin_cpu_supports("avx2")) return 4;
#endif
    return 2;
}

}  // namespace pairfit

#endif
