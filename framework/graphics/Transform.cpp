#include "framework/graphics/Transform.h"

#include <cmath>

namespace Vant {

void Matrix3::LoadIdentity() { *this = Matrix3(); }

Matrix3 Matrix3::operator*(const Matrix3& o) const {
    Matrix3 r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.m[i][j] = m[i][0] * o.m[0][j] + m[i][1] * o.m[1][j] + m[i][2] * o.m[2][j];
    return r;
}

Vector2 Matrix3::operator*(const Vector2& p) const {
    return {m[0][0] * p.x + m[0][1] * p.y + m[0][2], m[1][0] * p.x + m[1][1] * p.y + m[1][2]};
}

Vector3 Matrix3::operator*(const Vector3& v) const {
    return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z, m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
            m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
}

void Transform::Reset() {
    dirty = true;
    matrixMode = false;
    hasRotation = hasScale = false;
    preTransX = preTransY = postTransX = postTransY = 0;
    scaleX = scaleY = 1;
    rotation = 0;
}

void Transform::SwitchToMatrixMode() {
    matrixMode = true;
    UpdateMatrix();
}

void Transform::Translate(float dx, float dy) {
    if (matrixMode) return TranslateMatrix(dx, dy);
    dirty = true;
    if (!hasRotation && !hasScale) {
        preTransX += dx;
        preTransY += dy;
    } else {
        postTransX += dx;
        postTransY += dy;
    }
}

void Transform::Rotate(float angle) {
    if (matrixMode) return RotateMatrix(angle);
    if (!hasScale) {
        rotation += angle;
        dirty = true;
        hasRotation = true;
        return;
    }
    SwitchToMatrixMode();
    RotateMatrix(angle);
}

void Transform::Scale(float sx, float sy) {
    if (matrixMode) return ScaleMatrix(sx, sy);
    if (!hasRotation && preTransX == 0 && preTransY == 0 && sx >= 0 && sy >= 0) {
        scaleX *= sx;
        scaleY *= sy;
        dirty = true;
        hasScale = true;
        return;
    }
    SwitchToMatrixMode();
    ScaleMatrix(sx, sy);
}

void Transform::TranslateMatrix(float dx, float dy) {
    Matrix3 t;
    t.m[0][2] = dx;
    t.m[1][2] = dy;
    matrix = t * matrix;
}

void Transform::RotateMatrix(float angle) {
    const long double a = angle;
    const float c = static_cast<float>(std::cos(a)), s = static_cast<float>(std::sin(a));
    Matrix3 r;
    r.m[0][0] = c;
    r.m[0][1] = s;
    r.m[1][0] = -s;
    r.m[1][1] = c;
    matrix = r * matrix;
}

void Transform::ScaleMatrix(float sx, float sy) {
    Matrix3 s;
    s.m[0][0] = sx;
    s.m[1][1] = sy;
    matrix = s * matrix;
}

void Transform::UpdateMatrix() {
    if (!dirty) return;
    matrix.LoadIdentity();
    matrix.m[0][2] = preTransX;
    matrix.m[1][2] = preTransY;
    dirty = false;
    if (hasScale) {
        matrix.m[0][0] = scaleX;
        matrix.m[1][1] = scaleY;
    } else if (hasRotation) {
        RotateMatrix(rotation);
    }
    if (postTransX != 0 || postTransY != 0) TranslateMatrix(postTransX, postTransY);
}

const Matrix3& Transform::GetMatrix() {
    UpdateMatrix();
    return matrix;
}

}  // namespace Vant
