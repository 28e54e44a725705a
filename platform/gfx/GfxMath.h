#pragma once
#include "platform/gfx/GfxTypes.h"

namespace plat::gfx::math {

// Row-vector helpers for the fixed-function model.
Matrix Multiply(const Matrix& a, const Matrix& b);  // a then b
Matrix Transpose(const Matrix& m);
// Inverse of a general 4x4 matrix; false (and identity) when it is singular.
bool Invert(const Matrix& m, Matrix& out);
// (x, y, z, w) * m
void TransformVec4(const float in[4], const Matrix& m, float out[4]);
Vector3 TransformPoint(const Vector3& p, const Matrix& m);      // w = 1, no divide
Vector3 TransformDirection(const Vector3& d, const Matrix& m);  // w = 0
float Dot(const Vector3& a, const Vector3& b);
Vector3 Normalize(const Vector3& v);
Vector3 Sub(const Vector3& a, const Vector3& b);
Vector3 Add(const Vector3& a, const Vector3& b);
Vector3 Scale(const Vector3& a, float s);
float Length(const Vector3& v);

}  // namespace plat::gfx::math
