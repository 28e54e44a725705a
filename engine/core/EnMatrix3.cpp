#include "engine/core/EnMatrix3.h"

#include <cmath>
#include "engine/core/EnMath.h"
#include "engine/core/EnAssert.h"
#include "engine/core/EnFormatString.h"
#include "engine/core/EnStream.h"

constinit const EnMatrix3 EnMatrix3::ZERO(0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
constinit const EnMatrix3 EnMatrix3::IDENTITY(1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f);

void EnMatrix3::SetEntry(unsigned int uiRow, unsigned int uiCol, float fValue) {
    if (!EN_VERIFY(uiRow <= 2 && uiCol <= 2)) return;
    m_aafEntry[uiRow][uiCol] = fValue;
}

void EnMatrix3::MakeZero() {
    *this = ZERO;
}

void EnMatrix3::MakeIdentity() {
    *this = IDENTITY;
}

void EnMatrix3::MakeDiagonal(float fD0, float fD1, float fD2) {
    *this = EnMatrix3(fD0, 0.0f, 0.0f, 0.0f, fD1, 0.0f, 0.0f, 0.0f, fD2);
}

void EnMatrix3::SetColumns(const EnVector3& kCol0, const EnVector3& kCol1, const EnVector3& kCol2) {
    *this =
        EnMatrix3(kCol0.x, kCol1.x, kCol2.x, kCol0.y, kCol1.y, kCol2.y, kCol0.z, kCol1.z, kCol2.z);
}

void EnMatrix3::MakeXRotation(float fAngle) {
    const float c = std::cos(fAngle);
    const float s = std::sin(fAngle);
    *this = EnMatrix3(1.0f, 0.0f, 0.0f, 0.0f, c, s, 0.0f, -s, c);
}

void EnMatrix3::MakeYRotation(float fAngle) {
    const float c = std::cos(fAngle);
    const float s = std::sin(fAngle);
    *this = EnMatrix3(c, 0.0f, -s, 0.0f, 1.0f, 0.0f, s, 0.0f, c);
}

void EnMatrix3::MakeZRotation(float fAngle) {
    const float c = std::cos(fAngle);
    const float s = std::sin(fAngle);
    *this = EnMatrix3(c, s, 0.0f, -s, c, 0.0f, 0.0f, 0.0f, 1.0f);
}

void EnMatrix3::MakeRotation(float fAngle, float x, float y, float z) {
    const float c = std::cos(fAngle);
    const float s = std::sin(fAngle);
    const float t = 1.0f - c;
    *this = EnMatrix3(x * x * t + c, x * y * t + s * z, x * z * t - s * y,  //
                      x * y * t - s * z, y * y * t + c, y * z * t + s * x,  //
                      x * z * t + s * y, y * z * t - s * x, z * z * t + c);
}

EnMatrix3 EnMatrix3::operator*(const EnMatrix3& kB) const {
    EnMatrix3 kP;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            kP.m_aafEntry[r][c] = m_aafEntry[r][0] * kB.m_aafEntry[0][c] +
                                  m_aafEntry[r][1] * kB.m_aafEntry[1][c] +
                                  m_aafEntry[r][2] * kB.m_aafEntry[2][c];
        }
    }
    return kP;
}

EnMatrix3 EnMatrix3::TransposeTimes(const EnMatrix3& kB) const {
    EnMatrix3 kP;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            kP.m_aafEntry[r][c] = m_aafEntry[0][r] * kB.m_aafEntry[0][c] +
                                  m_aafEntry[1][r] * kB.m_aafEntry[1][c] +
                                  m_aafEntry[2][r] * kB.m_aafEntry[2][c];
        }
    }
    return kP;
}

EnMatrix3 EnMatrix3::Transpose() const {
    const auto& m = m_aafEntry;
    return EnMatrix3(m[0][0], m[1][0], m[2][0], m[0][1], m[1][1], m[2][1], m[0][2], m[1][2],
                     m[2][2]);
}

bool EnMatrix3::Inverse(EnMatrix3& kInv) const {
    const auto& m = m_aafEntry;
    auto& r = kInv.m_aafEntry;
    r[0][0] = m[1][1] * m[2][2] - m[2][1] * m[1][2];
    r[0][1] = m[2][1] * m[0][2] - m[2][2] * m[0][1];
    r[0][2] = m[1][2] * m[0][1] - m[1][1] * m[0][2];
    r[1][0] = m[2][0] * m[1][2] - m[2][2] * m[1][0];
    r[1][1] = m[0][0] * m[2][2] - m[2][0] * m[0][2];
    r[1][2] = m[1][0] * m[0][2] - m[0][0] * m[1][2];
    r[2][0] = m[2][1] * m[1][0] - m[1][1] * m[2][0];
    r[2][1] = m[2][0] * m[0][1] - m[2][1] * m[0][0];
    r[2][2] = m[1][1] * m[0][0] - m[1][0] * m[0][1];

    const float fDet = m[0][0] * r[0][0] + m[0][1] * r[1][0] + m[0][2] * r[2][0];
    if (std::fabs(fDet) <= 1e-6f) return false;

    const float fInvDet = 1.0f / fDet;
    for (auto& row : r) {
        for (float& f : row) f *= fInvDet;
    }
    return true;
}

bool EnMatrix3::operator==(const EnMatrix3& kB) const {
    const float* a = &m_aafEntry[0][0];
    const float* b = &kB.m_aafEntry[0][0];
    for (int i = 0; i < 9; ++i) {
        if (a[i] != b[i]) return false;
    }
    return true;
}

void EnMatrix3::ExtractAngleAndAxis(float& fAngle, float& fX, float& fY, float& fZ) const {
    const auto& m = m_aafEntry;
    const float k = (m[0][0] + m[1][1] + m[2][2] - 1.0f) * 0.5f;
    fAngle = EnACosClamped(k);

    fX = m[1][2] - m[2][1];
    fY = m[2][0] - m[0][2];
    fZ = m[0][1] - m[1][0];
    const float fLength = std::sqrt(fX * fX + fY * fY + fZ * fZ);
    if (fLength > 1e-6f) {
        const float fInv = 1.0f / fLength;
        fX *= fInv;
        fY *= fInv;
        fZ *= fInv;
        return;
    }

    if (fAngle <= 1.0f) {
        // No turn to speak of: any axis will do.
        fX = 1.0f;
        fY = 0.0f;
        fZ = 0.0f;
        return;
    }

    // Near a half turn the antisymmetric part vanishes; the axis magnitudes come from the
    // diagonal and only their signs are unknown. A diagonal entry rounded just below -1 is
    // taken as -1 so the root stays real.
    auto root = [](float f) { return f > -1.0f ? std::sqrt((f + 1.0f) * 0.5f) : 0.0f; };
    fX = root(m[0][0]);
    fY = root(m[1][1]);
    fZ = root(m[2][2]);
    auto residual = [&] {
        const EnVector3 kAxis(fX, fY, fZ);
        const EnVector3 kDiff = *this * kAxis - kAxis;
        return kDiff.SqrLength();
    };
    if (residual() < 1e-6f) return;
    fY = -fY;
    if (residual() < 1e-6f) return;
    fZ = -fZ;
    if (residual() < 1e-6f) return;
    fY = -fY;
}

bool EnMatrix3::EigenSolveSymmetric(float afEigenvalue[3], EnVector3 akEigenvector[3]) const {
    const auto& m = m_aafEntry;
    float d[3];
    float e[3];
    float q[3][3] = {{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}};

    // Householder step: one reflection in the (y, z) plane zeroes entry (0, 2).
    if (std::fabs(m[0][2]) < 1e-8f) {
        d[0] = m[0][0];
        d[1] = m[1][1];
        d[2] = m[2][2];
        e[0] = m[0][1];
        e[1] = m[1][2];
        e[2] = 0.0f;
    } else {
        const float fEll = std::sqrt(m[0][1] * m[0][1] + m[0][2] * m[0][2]);
        const float a = m[0][1] / fEll;
        const float b = m[0][2] / fEll;
        const float fQ = 2.0f * a * m[1][2] + b * (m[2][2] - m[1][1]);
        d[0] = m[0][0];
        d[1] = m[1][1] + b * fQ;
        d[2] = m[2][2] - b * fQ;
        e[0] = fEll;
        e[1] = m[1][2] - a * fQ;
        e[2] = 0.0f;
        q[1][1] = a;
        q[1][2] = b;
        q[2][1] = b;
        q[2][2] = -a;
    }

    // Implicit-shift QL on the tridiagonal form, rotations accumulated into q.
    constexpr int kMaxSteps = 32;
    for (int l = 0; l < 3; ++l) {
        int iStep;
        for (iStep = 0; iStep < kMaxSteps; ++iStep) {
            int mm;
            for (mm = l; mm <= 1; ++mm) {
                const float fSum = std::fabs(d[mm]) + std::fabs(d[mm + 1]);
                if (std::fabs(e[mm]) + fSum == fSum) break;
            }
            if (mm == l) break;

            float g = (d[l + 1] - d[l]) / (2.0f * e[l]);
            float r = std::sqrt(g * g + 1.0f);
            if (g >= 0.0f)
                g = d[mm] - d[l] + e[l] / (g + r);
            else
                g = d[mm] - d[l] + e[l] / (g - r);

            float s = 1.0f;
            float c = 1.0f;
            float p = 0.0f;
            for (int i = mm - 1; i >= l; --i) {
                const float f = s * e[i];
                const float h = c * e[i];
                if (std::fabs(f) >= std::fabs(g)) {
                    c = g / f;
                    r = std::sqrt(c * c + 1.0f);
                    e[i + 1] = f * r;
                    s = 1.0f / r;
                    c *= s;
                } else {
                    s = f / g;
                    r = std::sqrt(s * s + 1.0f);
                    e[i + 1] = g * r;
                    c = 1.0f / r;
                    s *= c;
                }
                g = d[i + 1] - p;
                r = (d[i] - g) * s + 2.0f * h * c;
                p = s * r;
                d[i + 1] = g + p;
                g = c * r - h;
                for (auto& row : q) {
                    const float fOld = row[i + 1];
                    row[i + 1] = s * row[i] + c * fOld;
                    row[i] = c * row[i] - s * fOld;
                }
            }
            d[l] -= p;
            e[l] = g;
            e[mm] = 0.0f;
        }
        if (iStep == kMaxSteps) return false;
    }

    for (int i = 0; i < 3; ++i) {
        afEigenvalue[i] = d[i];
        akEigenvector[i] = EnVector3(q[0][i], q[1][i], q[2][i]);
    }

    // The box-fitting code uses the vectors as a frame, so it must be right-handed.
    const float fDet = akEigenvector[0].Dot(akEigenvector[1].Cross(akEigenvector[2]));
    if (fDet < 0.0f) akEigenvector[2] = -akEigenvector[2];
    return true;
}

bool EnMatrix3::Load(EnStream& kStream) {
    return kStream.ReadF32Array(&m_aafEntry[0][0], 9);
}

bool EnMatrix3::Save(EnStream& kStream) const {
    return kStream.WriteF32Array(&m_aafEntry[0][0], 9);
}

char* EnMatrix3::MakeViewerString(const char* pcName) const {
    const auto& m = m_aafEntry;
    return EnFormatNewString("%s = ((%f,%f,%f),(%f,%f,%f),(%f,%f,%f))", pcName ? pcName : "",
                             double(m[0][0]), double(m[0][1]), double(m[0][2]), double(m[1][0]),
                             double(m[1][1]), double(m[1][2]), double(m[2][0]), double(m[2][1]),
                             double(m[2][2]));
}
