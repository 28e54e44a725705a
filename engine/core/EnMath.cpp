#include "engine/core/EnMath.h"

float EnFastATan2(float y, float x) {
    if (x == 0.0f) {
        // The polynomial path would answer 0 on the vertical axis; the joint angle wanted
        // there is a quarter turn either way.
        if (y == 0.0f) return 0.0f;
        return y > 0.0f ? EN_HALF_PI : -EN_HALF_PI;
    }
    if (y == 0.0f) return x < 0.0f ? EN_PI : 0.0f;

    // The coefficients are pinned by bit pattern so every build evaluates the same polynomial.
    constexpr double c9 = std::bit_cast<float>(0x3CAAAE5Fu);  //  0.0208351
    constexpr double c7 = std::bit_cast<float>(0x3DAE5A36u);  // -0.085133 (magnitude)
    constexpr double c5 = std::bit_cast<float>(0x3E3876E2u);  //  0.180141
    constexpr double c3 = std::bit_cast<float>(0x3EA91D04u);  // -0.3302995 (magnitude)
    constexpr double c1 = std::bit_cast<float>(0x3F7FF738u);  //  0.999866

    const double dx = x;
    const double dy = y;
    double t;
    double offset = 0.0;
    if (std::fabs(dx) >= std::fabs(dy)) {
        t = dy / dx;
    } else {
        t = dx / dy;
        if (t > 0.0)
            offset = double(EN_HALF_PI);
        else if (t < 0.0)
            offset = -double(EN_HALF_PI);
    }
    const double s = t * t;
    const double p = (((c9 * s - c7) * s + c5) * s - c3) * s + c1;
    const double r = t * p;
    double result = offset == 0.0 ? r : offset - r;
    if (dy < 0.0 && dx < 0.0)
        result -= double(EN_PI);
    else if (dy > 0.0 && dx < 0.0)
        result += double(EN_PI);
    return float(result);
}
