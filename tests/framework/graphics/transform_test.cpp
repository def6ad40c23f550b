// The transform's simple mode, its switch to a matrix, and the compositions.
#include "framework/graphics/Transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

namespace {

using Vant::Matrix3;
using Vant::Transform;

Matrix3 Make(float a, float b, float c, float d, float e, float f) {
    Matrix3 m;
    m.m[0][0] = a; m.m[0][1] = b; m.m[0][2] = c;
    m.m[1][0] = d; m.m[1][1] = e; m.m[1][2] = f;
    return m;
}

void ExpectNear(const Matrix3& got, const Matrix3& want, const std::string& name) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(got.m[i][j], want.m[i][j], 1e-5) << name << " m" << i << j;
}

TEST(Transform, Compositions) {
    const float a = 0.7f, c = std::cos(a), s = std::sin(a);
    const Matrix3 R = Make(c, s, 0, -s, c, 0);
    struct Case {
        std::string name;
        std::function<void(Transform&)> ops;
        bool matrixMode;
        Matrix3 want;
    };
    const Case cases[] = {
        {"translate only", [](Transform& t) { t.Translate(3, 4); t.Translate(1, 1); }, false, Make(1, 0, 4, 0, 1, 5)},
        {"translate then scale", [](Transform& t) { t.Translate(3, 4); t.Scale(2, 2); }, true, Make(2, 0, 6, 0, 2, 8)},
        {"scale then translate", [](Transform& t) { t.Scale(2, 2); t.Translate(5, 0); }, false, Make(2, 0, 5, 0, 2, 0)},
        {"negative scale", [](Transform& t) { t.Scale(-1, 1); }, true, Make(-1, 0, 0, 0, 1, 0)},
        {"two rotations add", [a](Transform& t) { t.Rotate(a / 2); t.Rotate(a / 2); }, false, R},
        {"scale then rotate is R*S", [a](Transform& t) { t.Scale(2, 3); t.Rotate(a); }, true,
         R * Make(2, 0, 0, 0, 3, 0)},
        {"rotate then scale is S*R", [a](Transform& t) { t.Rotate(a); t.Scale(2, 3); }, true,
         Make(2, 0, 0, 0, 3, 0) * R},
        {"rotate then translate", [a](Transform& t) { t.Rotate(a); t.Translate(1, 2); }, false,
         Make(1, 0, 1, 0, 1, 2) * R},
        {"matrix mode then translate", [](Transform& t) { t.Scale(-1, 1); t.Translate(1, 0); }, true,
         Make(-1, 0, 1, 0, 1, 0)},
    };
    for (const auto& k : cases) {
        Transform t;
        k.ops(t);
        EXPECT_EQ(t.matrixMode, k.matrixMode) << k.name;
        ExpectNear(t.GetMatrix(), k.want, k.name);
    }
}

TEST(Transform, ResetKeepsTheOldMatrixUntilItIsAskedFor) {
    Transform t;
    t.Scale(2, 2);
    t.Rotate(1.0f);
    const Matrix3 before = t.GetMatrix();
    t.Reset();
    EXPECT_FALSE(t.matrixMode);
    ExpectNear(t.matrix, before, "after reset");
    ExpectNear(t.GetMatrix(), Matrix3(), "rebuilt");
}

TEST(Matrix3, ProductsAndPoints) {
    Matrix3 m = Make(1, 2, 3, 4, 5, 6);
    m = m * m;  // into itself
    ExpectNear(m, Make(9, 12, 18, 24, 33, 48), "square");
    const Vant::Vector2 p = Make(1, 2, 3, 4, 5, 6) * Vant::Vector2{1, 1};
    EXPECT_FLOAT_EQ(p.x, 6);
    EXPECT_FLOAT_EQ(p.y, 15);
    const Vant::Vector3 v = Make(1, 2, 3, 4, 5, 6) * Vant::Vector3{1, 1, 0};
    EXPECT_FLOAT_EQ(v.x, 3);
    EXPECT_FLOAT_EQ(v.z, 0);
}

}  // namespace
