// Build the hot loops twice, for AVX2 and for the x86-64 baseline, and let the loader pick.
#pragma once

// Both versions give identical bytes: no fused multiply-add is allowed (-ffp-contract=off) and
// vector lanes round exactly as scalar operations do. QUILBO_SYNTH_BASELINE_ONLY builds the
// baseline alone, so that tests can check it on a machine that would pick AVX2. Under
// ThreadSanitizer the loader would run the clone resolvers before the sanitizer's runtime is up
// and the program would crash at start, so that build takes the baseline too.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && \
    !defined(QUILBO_SYNTH_BASELINE_ONLY) && !defined(__SANITIZE_THREAD__)
#define QUILBO_AVX2_CLONES [[gnu::target_clones("avx2", "default")]]
#else
#define QUILBO_AVX2_CLONES
#endif
