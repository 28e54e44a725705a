#pragma once
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>

// Angle constants and the small numeric helpers that the vector, matrix and quaternion code
// share: the table-driven square root the geometry code normalises with, the polynomial
// arctangent of the inverse-kinematics solvers and the clamped arccosine of the interpolators.

// The float nearest to pi, the same value that 4 * arctan(1) rounds to.
inline constexpr float EN_PI = 3.14159265358979323846f;
inline constexpr float EN_HALF_PI = EN_PI * 0.5f;
inline constexpr float EN_TWO_PI = EN_PI + EN_PI;

namespace EnFastSqrtDetail {

// Integer square root rounded to nearest; the root of a non-square integer is irrational, so
// there is never a tie and the result equals the correctly rounded float square root.
constexpr uint64_t RoundedRoot(uint64_t n) {
    uint64_t rest = n;
    uint64_t root = 0;
    uint64_t bit = uint64_t(1) << 62;
    while (bit > rest) bit >>= 2;
    while (bit != 0) {
        if (rest >= root + bit) {
            rest -= root + bit;
            root = (root >> 1) + bit;
        } else {
            root >>= 1;
        }
        bit >>= 2;
    }
    return rest > root ? root + 1 : root;
}

constexpr std::array<uint32_t, 256> BuildTable() {
    std::array<uint32_t, 256> table{};
    for (uint64_t i = 0; i < 128; ++i) {
        // sqrt(1 + i/128) * 2^23 and sqrt(2 * (1 + i/128)) * 2^23, both in [2^23, 2^24).
        table[i] = uint32_t(RoundedRoot((128 + i) << 39)) & 0x7FFFFFu;
        table[128 + i] = uint32_t(RoundedRoot((128 + i) << 40)) & 0x7FFFFFu;
    }
    return table;
}

}  // namespace EnFastSqrtDetail

// Mantissa bits of the float square roots of 1 + i/128 (entries 0..127) and of
// 2 * (1 + i/128) (entries 128..255). Built at compile time, so it is ready before any
// start-up code runs and needs no clean-up at exit.
inline constexpr std::array<uint32_t, 256> EnFastSqrtTable = EnFastSqrtDetail::BuildTable();

// Square root from the table: seven bits of mantissa precision (relative error below 1/256),
// one look-up and a few integer operations. Zero, negative and NaN arguments give 0.
inline float EnFastSqrt(float f) {
    if (!(f > 0.0f)) return 0.0f;
    const uint32_t b = std::bit_cast<uint32_t>(f);
    const int32_t e = int32_t(b >> 23) - 127;
    uint32_t m = b & 0x7FFFFFu;
    if (e & 1) m |= 0x800000u;
    const uint32_t root = EnFastSqrtTable[m >> 16] | (uint32_t((e >> 1) + 127) << 23);
    return std::bit_cast<float>(root);
}

// The angle whose cosine is k, with k outside [-1, 1] taken as the nearest end so that
// rounding never produces NaN.
inline float EnACosClamped(float k) {
    if (k <= -1.0f) return EN_PI;
    if (k >= 1.0f) return 0.0f;
    return std::acos(k);
}

// Angle of the point (x, y) in radians, (-pi, pi]; the ordinate comes first. A fifth-order
// odd polynomial, good to about 1e-5 radians, cheap enough for the solvers' inner loops.
float EnFastATan2(float y, float x);
