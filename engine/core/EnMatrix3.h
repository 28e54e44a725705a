#pragma once
#include "engine/core/EnVector3.h"

// The engine's 3x3 rotation matrix, stored row by row (entry (r, c) is float r*3 + c) and
// applied to column vectors. The rotation builders turn vectors by MINUS the angle: they
// build the transpose of the counter-clockwise matrix, which is what the scene files and the
// camera code were authored against. Pass the negated angle for a counter-clockwise turn.
class EnMatrix3 {
public:
    float m_aafEntry[3][3];

    // Leaves the entries unset; callers set identity explicitly.
    EnMatrix3() = default;
    constexpr EnMatrix3(float m00, float m01, float m02, float m10, float m11, float m12, float m20,
                        float m21, float m22)
        : m_aafEntry{{m00, m01, m02}, {m10, m11, m12}, {m20, m21, m22}} {}

    float GetEntry(unsigned int uiRow, unsigned int uiCol) const {
        return m_aafEntry[uiRow][uiCol];
    }
    // Out-of-range indices are reported and nothing is stored.
    void SetEntry(unsigned int uiRow, unsigned int uiCol, float fValue);

    EnVector3 GetRow(unsigned int uiRow) const {
        return {m_aafEntry[uiRow][0], m_aafEntry[uiRow][1], m_aafEntry[uiRow][2]};
    }
    EnVector3 GetColumn(unsigned int uiCol) const {
        return {m_aafEntry[0][uiCol], m_aafEntry[1][uiCol], m_aafEntry[2][uiCol]};
    }

    void MakeZero();
    void MakeIdentity();
    void MakeDiagonal(float fD0, float fD1, float fD2);
    // Column j becomes vector j.
    void SetColumns(const EnVector3& kCol0, const EnVector3& kCol1, const EnVector3& kCol2);

    void MakeXRotation(float fAngle);
    void MakeYRotation(float fAngle);
    void MakeZRotation(float fAngle);
    // The axis is taken as given: a non-unit axis gives a matrix that is not a rotation.
    void MakeRotation(float fAngle, float fX, float fY, float fZ);
    void MakeRotation(float fAngle, const EnVector3& kAxis) {
        MakeRotation(fAngle, kAxis.x, kAxis.y, kAxis.z);
    }

    EnMatrix3 operator*(const EnMatrix3& kB) const;
    EnVector3 operator*(const EnVector3& kV) const {
        return {m_aafEntry[0][0] * kV.x + m_aafEntry[0][1] * kV.y + m_aafEntry[0][2] * kV.z,
                m_aafEntry[1][0] * kV.x + m_aafEntry[1][1] * kV.y + m_aafEntry[1][2] * kV.z,
                m_aafEntry[2][0] * kV.x + m_aafEntry[2][1] * kV.y + m_aafEntry[2][2] * kV.z};
    }
    // transpose(this) * B, without forming the transpose.
    EnMatrix3 TransposeTimes(const EnMatrix3& kB) const;
    EnVector3 TransposeTimesVector(const EnVector3& kV) const {
        return {m_aafEntry[0][0] * kV.x + m_aafEntry[1][0] * kV.y + m_aafEntry[2][0] * kV.z,
                m_aafEntry[0][1] * kV.x + m_aafEntry[1][1] * kV.y + m_aafEntry[2][1] * kV.z,
                m_aafEntry[0][2] * kV.x + m_aafEntry[1][2] * kV.y + m_aafEntry[2][2] * kV.z};
    }
    EnMatrix3 Transpose() const;

    // Writes the inverse into kInv. A matrix whose determinant is at or below 1e-6 in
    // magnitude counts as singular: false, and kInv holds the adjugate.
    bool Inverse(EnMatrix3& kInv) const;

    // Exact comparison of all nine entries; no tolerance.
    bool operator==(const EnMatrix3& kB) const;

    // Angle in [0, pi] and unit axis of a rotation built with this class's convention, so
    // that MakeRotation(angle, axis) gives the matrix back.
    void ExtractAngleAndAxis(float& fAngle, float& fX, float& fY, float& fZ) const;

    // Eigenvalues and unit eigenvectors of a symmetric matrix, by Householder reduction to
    // tridiagonal form and implicit-shift QL. The eigenvectors form a right-handed frame.
    // False when an eigenvalue has not converged after 32 steps.
    bool EigenSolveSymmetric(float afEigenvalue[3], EnVector3 akEigenvector[3]) const;

    // Stream form: the nine entries as little-endian floats in storage order (row 0 left to
    // right, then rows 1 and 2).
    bool Load(EnStream& kStream);
    bool Save(EnStream& kStream) const;
    // "<name> = ((m00,m01,m02),(m10,m11,m12),(m20,m21,m22))" as a new[] text the caller frees.
    char* MakeViewerString(const char* pcName) const;

    static const EnMatrix3 ZERO;
    static const EnMatrix3 IDENTITY;
};
