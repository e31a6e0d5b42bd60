#include "Math/axisAngle.h"
#include "Math/integerMath.h"
#include "Math/mat2.h"
#include "Math/mat4.h"
#include "Math/utilMath.h"

#include <gtest/gtest.h>

#include <math.h>
#include <stddef.h>
#include <string.h>

using namespace ve;

namespace {

u32 bitsOf(f32 value) {
    u32 bits;
    memcpy(&bits, &value, 4);
    return bits;
}

void expectNear(v3 actual, v3 expected, f32 tolerance = 1e-5f) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

void expectNear(mat4 actual, mat4 expected, f32 tolerance = 1e-5f) {
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row)
            EXPECT_NEAR(actual.E[column][row], expected.E[column][row], tolerance) << "row " << row << " column " << column;
}

} // namespace

TEST(Scalars, SineCosineTangentAndRadians) {
    EXPECT_EQ(bitsOf(PI), 0x40490FDBu);
    EXPECT_EQ(bitsOf(HALF_PI), 0x3FC90FDBu);
    EXPECT_EQ(ve::cos(0.0f), ve::sin(HALF_PI));
    EXPECT_EQ(ve::cos(0.0f), 1.0f);
    f32 t = ve::tan(PI / 4.0f);
    EXPECT_LE(fabsf(t - 1.0f), nextafterf(1.0f, 2.0f) - 1.0f);
    EXPECT_EQ(toRad(180.0f), PI);
    EXPECT_EQ(toRad(0.0f), 0.0f);
    EXPECT_EQ(ve::sqrt(16.0f), 4.0f);
    EXPECT_EQ(ve::sqrt(2.0f), sqrtf(2.0f));
    // The sine agrees with the correctly rounded single-precision sine over ordinary angles.
    for (int i = -200; i <= 200; ++i) {
        f32 x = (f32)i * 0.0371f;
        EXPECT_NEAR(ve::sin(x), (f32)::sin((f64)x), 1e-7f) << x;
    }
    EXPECT_EQ(ve::sq(-3.0f), 9.0f);
    EXPECT_EQ(ve::min(2.0f, -1.0f), -1.0f);
    EXPECT_EQ(ve::max(2.0f, -1.0f), 2.0f);
    EXPECT_EQ(ve::max((u64)3, (u64)9), 9u);
    c8 a = 'a', b = 'b';
    ve::swap(&a, &b);
    EXPECT_EQ(a, 'b');
    EXPECT_EQ(b, 'a');
}

TEST(Vectors, LayoutsShareTheSameFloats) {
    static_assert(sizeof(v2) == 8 && sizeof(v3) == 12 && sizeof(v4) == 16);
    static_assert(sizeof(mat2) == 16 && sizeof(mat3) == 36 && sizeof(mat4) == 64);
    static_assert(offsetof(v3, yz) == 4 && offsetof(v3, xy) == 0);
    static_assert(offsetof(v4, zw) == 8 && offsetof(v4, yz) == 4 && offsetof(v4, yzw) == 0);
    static_assert(offsetof(mat4, col4) == 48 && offsetof(mat3, col2) == 12);
    static_assert(sizeof(AxisAngle) == 16 && offsetof(AxisAngle, axis) == 4);
    static_assert(sizeof(plane) == 16 && sizeof(Hash) == 16);
    v4 v = {1, 2, 3, 4};
    EXPECT_EQ(v.b, 3.0f);
    EXPECT_EQ(v.rgb.z, 3.0f);
    EXPECT_EQ(v.zw.x, 3.0f);
    EXPECT_EQ(v.gb.y, 3.0f);
    mat4 m = iMat4();
    m.E23 = 7.0f;
    EXPECT_EQ(m.g, 7.0f);
    EXPECT_EQ(m.col3.y, 7.0f);
    EXPECT_EQ(m.E[2][1], 7.0f);
    mat3 n = iMat3();
    n.E32 = 5.0f;
    EXPECT_EQ(n.h, 5.0f);
    mat2 p = {};
    p.b = 2.0f;
    EXPECT_EQ(p.E12, 2.0f);
    EXPECT_EQ(p.col2.x, 2.0f);
    plane q = {};
    q.c = 1.0f;
    EXPECT_EQ(q.normal.z, 1.0f);
}

TEST(Vectors, Arithmetic) {
    v3 a = {1, 2, 3}, b = {4, 5, 6};
    expectNear(a + b, {5, 7, 9}, 0);
    expectNear(b - a, {3, 3, 3}, 0);
    expectNear(-a, {-1, -2, -3}, 0);
    expectNear(a * 2.0f, {2, 4, 6}, 0);
    expectNear(2.0f * a, {2, 4, 6}, 0);
    expectNear(a * b, {4, 10, 18}, 0);
    expectNear(b / 2.0f, {2, 2.5f, 3}, 0);
    EXPECT_EQ(inner(a, b), 32.0f);
    expectNear(cross(a, b), {-3, 6, -3}, 0);
    expectNear(cross(v3{1, 0, 0}, v3{0, 1, 0}), {0, 0, 1}, 0);
    EXPECT_EQ(lensq(a), 14.0f);
    EXPECT_EQ(len(v3{3, 4, 0}), 5.0f);
    expectNear(normalized(v3{0, 3, 4}), {0, 0.6f, 0.8f});
    v3 zero = normalized(v3{0, 0, 0});
    EXPECT_TRUE(isnan(zero.x) && isnan(zero.y) && isnan(zero.z));
    EXPECT_NEAR(angle(v3{1, 0, 0}, v3{0, 2, 0}), HALF_PI, 1e-6f);
    v3 c = a;
    c += b;
    c -= v3{1, 1, 1};
    c *= 2.0f;
    expectNear(c, {8, 12, 16}, 0);

    v4 d = {1, 2, 3, 4}, e = {4, 3, 2, 1};
    v4 sum = d + e;
    EXPECT_EQ(sum.w, 5.0f);
    EXPECT_EQ((d * 2.0f).w, 8.0f);
    EXPECT_EQ((d / 2.0f).x, 0.5f);
    EXPECT_EQ((-d).y, -2.0f);
    EXPECT_EQ(inner(d, e), 20.0f);
}

TEST(Matrices, ProductsAndTranspose) {
    mat4 t = transMat({1, 2, 3});
    v4 p = t * v4{1, 1, 1, 1};
    EXPECT_EQ(p.x, 2.0f);
    EXPECT_EQ(p.y, 3.0f);
    EXPECT_EQ(p.z, 4.0f);
    EXPECT_EQ(p.w, 1.0f);
    mat4 s = scaleMat({2, 3, 4});
    // Scale first, then translate.
    v4 q = (t * s) * v4{1, 1, 1, 1};
    EXPECT_EQ(q.x, 3.0f);
    EXPECT_EQ(q.y, 5.0f);
    EXPECT_EQ(q.z, 7.0f);
    expectNear(getTranslation(t * s), {1, 2, 3}, 0);
    expectNear(getScale(t * s), {2, 3, 4}, 0);

    mat3 m = {};
    m.a = 1, m.b = 2, m.c = 3, m.d = 4, m.e = 5, m.f = 6, m.g = 7, m.h = 8, m.i = 10;
    mat3 mt = trnspos(m);
    EXPECT_EQ(mt.b, 4.0f);
    EXPECT_EQ(mt.g, 3.0f);
    EXPECT_EQ(det(m), -3.0f);
    v3 r = m * v3{1, 0, 0};
    expectNear(r, {1, 4, 7}, 0);
    mat3 twice = 2.0f * m;
    EXPECT_EQ(twice.i, 20.0f);
    EXPECT_EQ((m * 0.5f).a, 0.5f);
    mat3 back = toMat3(toMat4(m));
    EXPECT_EQ(memcmp(&back, &m, sizeof(m)), 0);
    mat4 lifted = toMat4(m);
    EXPECT_EQ(lifted.E44, 1.0f);
    EXPECT_EQ(lifted.E41, 0.0f);
    EXPECT_EQ(lifted.E14, 0.0f);
}

TEST(Matrices, InverseTimesMatrixIsCloseToIdentity) {
    const f32 samples[][9] = {
        {1, 2, 3, 4, 5, 6, 7, 8, 10},
        {2, 0, 0, 0, 3, 0, 0, 0, 4},
        {0.3f, -1.2f, 2.0f, 4.5f, 0.1f, -0.7f, 1.0f, 1.0f, 1.0f},
        {10, 1, 0.5f, -2, 8, 1, 0, 3, 7},
    };
    for (const auto& sample : samples) {
        mat3 m;
        memcpy(m.E, sample, sizeof(sample));
        mat3 product = invert(m) * m;
        mat3 identity = iMat3();
        for (int k = 0; k < 9; ++k) EXPECT_NEAR(product.E[k / 3][k % 3], identity.E[k / 3][k % 3], 1e-5f);
    }
    mat3 singular = {};
    singular.a = 1, singular.b = 2, singular.d = 2, singular.e = 4;
    mat3 inv = invert(singular);
    EXPECT_FALSE(isfinite(inv.a));
}

TEST(Matrices, RotationAboutYTurnsXToMinusZ) {
    mat4 r = rotMat({0, 1, 0}, HALF_PI);
    v4 turned = r * v4{1, 0, 0, 0};
    expectNear(turned.xyz, {0, 0, -1}, 1e-6f);
    // Counter-clockwise about +z seen from +z: x turns to y.
    v4 ccw = rotMat({0, 0, 1}, HALF_PI) * v4{1, 0, 0, 0};
    expectNear(ccw.xyz, {0, 1, 0}, 1e-6f);
    // A rotation keeps lengths and its transpose undoes it.
    mat4 any = rotMat(normalized(v3{1, 2, 3}), 0.7f);
    mat3 rot = toMat3(any);
    mat3 product = trnspos(rot) * rot;
    for (int k = 0; k < 9; ++k) EXPECT_NEAR(product.E[k / 3][k % 3], iMat3().E[k / 3][k % 3], 1e-6f);
}

TEST(Matrices, PerspectiveMapsNearAndFarToTheClipRange) {
    mat4 p = perspectiveMat(toRad(60.0f), 0.001f, 1000.0f, 16.0f / 9.0f);
    EXPECT_NEAR(p.E34, -0.002f, 1e-8f);
    EXPECT_EQ(p.E43, 1.0f);
    EXPECT_EQ(p.E44, 0.0f);
    EXPECT_NEAR(p.E22, 1.0f / tanf(toRad(30.0f)), 1e-5f);
    EXPECT_NEAR(p.E11, p.E22 * 9.0f / 16.0f, 1e-5f);
    v4 nearPoint = p * v4{0, 0, 0.001f, 1};
    v4 farPoint = p * v4{0, 0, 1000.0f, 1};
    EXPECT_NEAR(nearPoint.z / nearPoint.w, -1.0f, 1e-3f);
    EXPECT_NEAR(farPoint.z / farPoint.w, 1.0f, 1e-3f);
}

TEST(Matrices, LookAtAlongPlusZIsTheIdentityAndMovesByTheEyePosition) {
    mat4 view = lookAt({0, 0, 0}, {0, 0, 1}, {0, 1, 0});
    expectNear(view, iMat4(), 0);
    mat4 moved = lookAt({1, 2, 3}, {1, 2, 4}, {0, 1, 0});
    EXPECT_EQ(moved.col4.x, -1.0f);
    EXPECT_EQ(moved.col4.y, -2.0f);
    EXPECT_EQ(moved.col4.z, -3.0f);
    EXPECT_EQ(moved.col4.w, 1.0f);
    // The target lies straight ahead on view +z.
    mat4 aimed = lookAt({5, -1, 2}, {2, 3, 2}, {0, 1, 0});
    v4 target = aimed * v4{2, 3, 2, 1};
    EXPECT_NEAR(target.x, 0.0f, 1e-5f);
    EXPECT_NEAR(target.y, 0.0f, 1e-5f);
    EXPECT_NEAR(target.z, 5.0f, 1e-5f);
}

TEST(AxisAngle, SpecialCasesOfTheExtraction) {
    AxisAngle none = axisAngleFromMat(iMat4());
    EXPECT_EQ(none.angle, 0.0f);
    expectNear(none.axis, {1, 0, 0}, 0);

    AxisAngle half = axisAngleFromMat(rotMat({0, 0, 1}, PI));
    EXPECT_EQ(half.angle, PI);
    expectNear(half.axis, {0, 0, 1}, 1e-3f);
    AxisAngle halfX = axisAngleFromMat(rotMat({1, 0, 0}, PI));
    expectNear(halfX.axis, {1, 0, 0}, 1e-3f);
    AxisAngle halfY = axisAngleFromMat(rotMat({0, 1, 0}, PI));
    expectNear(halfY.axis, {0, 1, 0}, 1e-3f);

    mat4 scaled = rotMat(normalized(v3{1, 1, 0}), 1.1f) * scaleMat({2, 2, 2});
    AxisAngle fromScaled = axisAngleFromMat(scaled);
    AxisAngle fromPlain = axisAngleFromMat(rotMat(normalized(v3{1, 1, 0}), 1.1f));
    EXPECT_NEAR(fromScaled.angle, fromPlain.angle, 1e-6f);
    expectNear(fromScaled.axis, fromPlain.axis, 1e-6f);
}

TEST(AxisAngle, RoundTripsThroughTheRotationMatrix) {
    const v3 axes[] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 2, 3}, {-1, 0.5f, 2}, {0.2f, -0.9f, -0.3f}};
    const f32 angles[] = {0.1f, 0.5f, 1.0f, 2.0f, 2.9f};
    for (v3 rawAxis : axes) {
        v3 axis = normalized(rawAxis);
        for (f32 a : angles) {
            mat4 m = transMat({4, 5, 6}) * rotMat(axis, a) * scaleMat({1.5f, 0.5f, 3});
            AxisAngle result = axisAngleFromMat(m);
            EXPECT_NEAR(result.angle, a, 2e-3f);
            expectNear(result.axis, axis, 2e-3f);
        }
    }
}

TEST(Matrices, GetRotationDividesOutTheScale) {
    mat4 r = rotMat(normalized(v3{0, 1, 1}), 0.8f);
    mat4 m = transMat({1, 2, 3}) * r * scaleMat({2, 5, 0.5f});
    mat4 extracted = getRotation(m);
    expectNear(extracted, r);
    EXPECT_EQ(extracted.col4.w, 1.0f);
    EXPECT_EQ(extracted.col1.w, 0.0f);
}
