#pragma once
// What the two factorisations of the normal matrix (the profile of the run, the sparse factor of
// data snooping) share: the bounds of a defective pivot and the wide-vector build of their kernels.

namespace kvel {

// A pivot below either bound is taken as zero: the system is singular at that row. With
// levelling weights of 1e6 m^-2 the pivot of a part without benchmark is zero only up to rounding
// of that size, which an absolute test alone would take for a pivot.
inline constexpr double kDefectPivot = 1e-10;       // m^-2
inline constexpr double kDefectPivotRatio = 1e-10;  // of the row's diagonal as built

}  // namespace kvel

// The kernels that carry the cost are also built for AVX2 where the processor has it (chosen once
// at load time, where the object format has it: ELF); without fused multiply-add, so every
// rounding stays the same.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && defined(__ELF__)
#define ORVANE_WIDE_VECTORS __attribute__((target_clones("avx2", "default")))
#else
#define ORVANE_WIDE_VECTORS
#endif
