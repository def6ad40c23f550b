#pragma once
// 3x3 float matrix and the transform that places an image when drawn: a
// simple translation, scale or rotation for as long as one suffices, a
// general matrix after that.
namespace Vant {

struct Vector2 {
    float x = 0, y = 0;
};
struct Vector3 {
    float x = 0, y = 0, z = 0;
};

class Matrix3 {
public:
    // Row-major; a point (x, y) maps to (m00 x + m01 y + m02, m10 x + m11 y + m12).
    float m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

    void LoadIdentity();
    // this * other; the product is built apart, so a matrix may multiply itself.
    Matrix3 operator*(const Matrix3& other) const;
    Vector2 operator*(const Vector2& point) const;
    Vector3 operator*(const Vector3& vector) const;
};

class Transform {
public:
    Transform() { Reset(); }

    // Simple mode, nothing set; the matrix is rebuilt at the next update.
    void Reset();
    void Translate(float dx, float dy);
    // Radians; positive turns the x axis towards negative y on the screen.
    void Rotate(float angle);
    void Scale(float sx, float sy);

    // Each acts after what the matrix already holds: matrix := op * matrix.
    void TranslateMatrix(float dx, float dy);
    void RotateMatrix(float angle);
    void ScaleMatrix(float sx, float sy);

    // Rebuilds the matrix from the simple parts when they changed.
    void UpdateMatrix();
    const Matrix3& GetMatrix();

    Matrix3 matrix;
    bool dirty = true;
    bool matrixMode = false;
    bool hasRotation = false;
    bool hasScale = false;
    float preTransX = 0, preTransY = 0;
    float postTransX = 0, postTransY = 0;
    float scaleX = 1, scaleY = 1;
    float rotation = 0;

private:
    void SwitchToMatrixMode();
};

}  // namespace Vant
