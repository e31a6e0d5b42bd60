#include "Physics/common/phGeometry.h"
#include "phTestStore.h"

#include <gtest/gtest.h>

#include <math.h>
#include <random>
#include <string.h>

namespace {

void expectVecNear(const phVec3& actual, const phVec3& expected, r32 tolerance) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

void expectMatNear(const phMat3& actual, const phMat3& expected, r32 tolerance) {
    expectVecNear(actual.ex, expected.ex, tolerance);
    expectVecNear(actual.ey, expected.ey, tolerance);
    expectVecNear(actual.ez, expected.ez, tolerance);
}

phVec3 randomUnitVector(std::mt19937& rng) {
    std::normal_distribution<float> n(0.0f, 1.0f);
    for (;;) {
        phVec3 v(n(rng), n(rng), n(rng));
        if (phLength(v) > 1e-3f) return phNormalize(v);
    }
}

} // namespace

TEST(PhMath, NormalizeScalesToUnitLengthAndKeepsZero) {
    expectVecNear(phNormalize(phVec3(3, 0, 4)), phVec3(0.6f, 0, 0.8f), 1e-6f);
    phVec3 zero = phNormalize(phVec3(0, 0, 0));
    EXPECT_EQ(zero.x, 0.0f);
    EXPECT_EQ(zero.y, 0.0f);
    EXPECT_EQ(zero.z, 0.0f);

    phQuaternion identity = phNormalize(phQuaternion(0, 0, 0, 0));
    EXPECT_EQ(identity.x, 0.0f);
    EXPECT_EQ(identity.y, 0.0f);
    EXPECT_EQ(identity.z, 0.0f);
    EXPECT_EQ(identity.w, 1.0f);

    phQuaternion q = phNormalize(phQuaternion(1, 2, 2, 4));
    EXPECT_NEAR(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w, 1.0f, 1e-6f);
    EXPECT_NEAR(q.w, 0.8f, 1e-6f);
}

TEST(PhMath, ScalarHelpersFollowTheirTables) {
    struct Clamp {
        r32 min, max, a, expected;
    } clamps[] = {{0, 1, -2, 0}, {0, 1, 2, 1}, {0, 1, 0.25f, 0.25f}, {-1, 1, -1, -1}};
    for (const Clamp& c : clamps) EXPECT_EQ(phClamp(c.min, c.max, c.a), c.expected) << c.a;

    EXPECT_EQ(phSign(0.0f), 1.0f);
    EXPECT_EQ(phSign(-0.5f), -1.0f);
    EXPECT_EQ(phSign(3.0f), 1.0f);
    EXPECT_EQ(phInvert(0.0f), 0.0f);
    EXPECT_EQ(phInvert(4.0f), 0.25f);
    EXPECT_EQ(phAbs(-2.0f), 2.0f);
    EXPECT_EQ(phMin(3, -4), -4);
    EXPECT_EQ(phMax(3, -4), 3);
    EXPECT_EQ(phMax(u8(7), u8(200)), u8(200));
    expectVecNear(phMin(phVec3(1, 5, -2), phVec3(2, 4, -3)), phVec3(1, 4, -3), 0);
    expectVecNear(phMax(phVec3(1, 5, -2), phVec3(2, 4, -3)), phVec3(2, 5, -2), 0);
}

TEST(PhMath, VectorOperatorsAndEngineConversion) {
    phVec3 a(1, 2, 3);
    phVec3 b(-4, 5, 0.5f);
    expectVecNear(a + b, phVec3(-3, 7, 3.5f), 0);
    expectVecNear(a - b, phVec3(5, -3, 2.5f), 0);
    expectVecNear(2.0f * a, phVec3(2, 4, 6), 0);
    expectVecNear(a / 2.0f, phVec3(0.5f, 1, 1.5f), 0);
    expectVecNear(-a, phVec3(-1, -2, -3), 0);
    EXPECT_EQ(phDot(a, b), -4.0f + 10.0f + 1.5f);
    expectVecNear(phCross(phVec3(1, 0, 0), phVec3(0, 1, 0)), phVec3(0, 0, 1), 0);
    a[1] = 9;
    EXPECT_EQ(a.y, 9.0f);

    ve::v3 engine = phVec3(1.5f, -2, 8);
    EXPECT_EQ(engine.x, 1.5f);
    EXPECT_EQ(engine.y, -2.0f);
    EXPECT_EQ(engine.z, 8.0f);
}

TEST(PhMathDeathTest, VectorIndexOutOfRangeStops) {
    phVec3 v(1, 2, 3);
    EXPECT_DEATH(v[3] = 1.0f, PH_ASSERTION_TEXT("i >= 0 && i < 3"));
    phMat3 m = phDiagonal(1.0f);
    EXPECT_DEATH(m[3].x = 1.0f, PH_ASSERTION_TEXT("false"));
}

TEST(PhMath, MatrixAxesAreTheImagesOfTheUnitAxes) {
    phMat3 m(1, 2, 3, 4, 5, 6, 7, 8, 9);
    expectVecNear(m * phVec3(1, 0, 0), m.ex, 0);
    expectVecNear(m * phVec3(0, 1, 0), m.ey, 0);
    expectVecNear(m.Column0(), phVec3(1, 4, 7), 0);
    expectVecNear(m.Column1(), phVec3(2, 5, 8), 0);
    expectVecNear(phDiagonal(1.0f).Column0(), phVec3(1, 0, 0), 0);
    expectVecNear(phMulT(m, phVec3(1, 1, 1)), phTranspose(m) * phVec3(1, 1, 1), 1e-5f);
    expectVecNear(phTranspose(m).ex, phVec3(1, 4, 7), 0);
    expectVecNear(phOuterProduct(phVec3(1, 2, 3), phVec3(4, 5, 6)).ey, phVec3(8, 10, 12), 0);
}

TEST(PhMath, MatrixProductAppliesTheRightOperandFirst) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(-2.0f, 2.0f);
    for (int i = 0; i < 100; ++i) {
        phMat3 a(u(rng), u(rng), u(rng), u(rng), u(rng), u(rng), u(rng), u(rng), u(rng));
        phMat3 b(u(rng), u(rng), u(rng), u(rng), u(rng), u(rng), u(rng), u(rng), u(rng));
        phVec3 v(u(rng), u(rng), u(rng));
        expectVecNear(phMul(phMul(a, b), v), a * (b * v), 1e-4f);
        phMat3 c = a;
        c *= b;
        expectMatNear(c, a * b, 0);
    }
}

TEST(PhMath, InverseTimesMatrixIsIdentity) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    for (int i = 0; i < 200; ++i) {
        // Diagonally dominant, so the determinant stays well away from 0.
        phMat3 m(3 + u(rng), u(rng), u(rng), u(rng), 3 + u(rng), u(rng), u(rng), u(rng), 3 + u(rng));
        expectMatNear(phInverse(m) * m, phDiagonal(1.0f), 1e-5f);
    }
}

TEST(PhMath, QuaternionMatrixEqualsTheAxisAngleMatrix) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> angle(-2.0f * phPI, 2.0f * phPI);
    for (int i = 0; i < 500; ++i) {
        phVec3 axis = randomUnitVector(rng);
        r32 a = angle(rng);
        phQuaternion q(axis, a);
        phMat3 expected;
        expected.Set(axis, a);
        expectMatNear(q.ToMat3(), expected, 2e-6f);
    }
}

TEST(PhMath, AxisAngleMatrixRotatesByTheRightHandRule) {
    phMat3 m;
    m.Set(phVec3(0, 0, 1), 0.5f * phPI);
    expectVecNear(m * phVec3(1, 0, 0), phVec3(0, 1, 0), 1e-6f);
    expectVecNear(m * phVec3(0, 1, 0), phVec3(-1, 0, 0), 1e-6f);
}

TEST(PhMath, QuaternionProductComposesRotations) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> angle(-phPI, phPI);
    for (int i = 0; i < 200; ++i) {
        phQuaternion a(randomUnitVector(rng), angle(rng));
        phQuaternion b(randomUnitVector(rng), angle(rng));
        expectMatNear((a * b).ToMat3(), a.ToMat3() * b.ToMat3(), 1e-5f);
        phQuaternion c = a;
        c *= b;
        EXPECT_EQ(c.w, (a * b).w);
    }
}

TEST(PhMath, ToAxisAngleInvertsSet) {
    phVec3 axis;
    r32 angle;
    phQuaternion(0, 0, 0, 1).ToAxisAngle(&axis, &angle);
    EXPECT_EQ(angle, 0.0f);
    expectVecNear(axis, phVec3(0, 0, 0), 0);

    std::mt19937 rng(9);
    std::uniform_real_distribution<float> angles(0.1f, 3.0f);
    for (int i = 0; i < 200; ++i) {
        phVec3 n = randomUnitVector(rng);
        r32 a = angles(rng);
        phQuaternion(n, a).ToAxisAngle(&axis, &angle);
        EXPECT_NEAR(angle, a, 1e-3f);
        expectVecNear(axis, n, 1e-3f);
    }
}

TEST(PhMathDeathTest, ToAxisAngleRefusesAScalarPartAboveOne) {
    phVec3 axis;
    r32 angle;
    EXPECT_DEATH(phQuaternion(0, 0, 0, 1.5f).ToAxisAngle(&axis, &angle), PH_ASSERTION_TEXT("w <= r32\\( 1.0 \\)"));
}

TEST(PhMath, IntegrateFollowsTheAngularVelocity) {
    // A quarter turn about y in one second, in 600 small steps.
    phQuaternion q(0, 0, 0, 1);
    phVec3 w(0, 0.5f * phPI, 0);
    for (int i = 0; i < 600; ++i) q.Integrate(w, 1.0f / 600.0f);
    EXPECT_NEAR(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w, 1.0f, 1e-5f);
    phMat3 expected;
    expected.Set(phVec3(0, 1, 0), 0.5f * phPI);
    expectMatNear(q.ToMat3(), expected, 2e-3f);
}

TEST(PhMath, ComputeBasisCompletesAFrame) {
    phVec3 b, c;
    phComputeBasis(phVec3(1, 0, 0), &b, &c);
    expectVecNear(b, phVec3(0, -1, 0), 0);
    expectVecNear(c, phVec3(0, 0, -1), 0);
    phComputeBasis(phVec3(0, 1, 0), &b, &c);
    expectVecNear(b, phVec3(0, 0, -1), 0);
    expectVecNear(c, phVec3(-1, 0, 0), 0);

    std::mt19937 rng(13);
    for (int i = 0; i < 1000; ++i) {
        phVec3 a = randomUnitVector(rng);
        phComputeBasis(a, &b, &c);
        EXPECT_NEAR(phLength(b), 1.0f, 1e-5f);
        EXPECT_NEAR(phLength(c), 1.0f, 1e-5f);
        EXPECT_NEAR(phDot(a, b), 0.0f, 1e-5f);
        EXPECT_NEAR(phDot(a, c), 0.0f, 1e-5f);
        EXPECT_NEAR(phDot(b, c), 0.0f, 1e-5f);
        expectVecNear(phCross(b, c), a, 1e-5f);
    }
}

TEST(PhMath, TransformMulTInvertsMul) {
    std::mt19937 rng(17);
    std::uniform_real_distribution<float> u(-5.0f, 5.0f);
    for (int i = 0; i < 200; ++i) {
        phTransform t;
        t.position.Set(u(rng), u(rng), u(rng));
        t.rotation = phQuaternion(randomUnitVector(rng), u(rng)).ToMat3();
        phVec3 p(u(rng), u(rng), u(rng));
        expectVecNear(phMulT(t, phMul(t, p)), p, 1e-4f);

        phTransform s;
        s.position.Set(u(rng), u(rng), u(rng));
        s.rotation = phQuaternion(randomUnitVector(rng), u(rng)).ToMat3();
        expectVecNear(phMul(phMul(t, s), p), phMul(t, phMul(s, p)), 1e-4f);
    }
}

TEST(PhMath, MatrixWrittenOverTheEngineMatrixKeepsEveryElement) {
    phMat3 m(1, 2, 3, 4, 5, 6, 7, 8, 9);
    ve::mat3 engine;
    memcpy(&engine, &m, sizeof(m));
    EXPECT_EQ(engine.col1.x, 1.0f);
    EXPECT_EQ(engine.col1.z, 3.0f);
    EXPECT_EQ(engine.col2.y, 5.0f);
    EXPECT_EQ(engine.col3.x, 7.0f);
    EXPECT_EQ(engine.col3.z, 9.0f);
}

TEST(PhGeometry, AABBRelations) {
    phAABB a{phVec3(0, 0, 0), phVec3(1, 1, 1)};
    phAABB inner{phVec3(0, 0.5f, 0), phVec3(1, 1, 0.5f)};
    phAABB touching{phVec3(1, 0, 0), phVec3(2, 1, 1)};
    phAABB apart{phVec3(1.001f, 0, 0), phVec3(2, 1, 1)};

    EXPECT_TRUE(a.Contains(a));
    EXPECT_TRUE(a.Contains(inner));
    EXPECT_FALSE(inner.Contains(a));
    EXPECT_TRUE(phAABBtoAABB(a, touching));
    EXPECT_TRUE(phAABBtoAABB(touching, a));
    EXPECT_FALSE(phAABBtoAABB(a, apart));
    EXPECT_FALSE(phAABBtoAABB(apart, a));

    phAABB box{phVec3(0, 0, 0), phVec3(1, 2, 3)};
    EXPECT_EQ(box.SurfaceArea(), 2.0f * (2 + 3 + 6));

    phAABB both = phCombine(a, apart);
    expectVecNear(both.min, phVec3(0, 0, 0), 0);
    expectVecNear(both.max, phVec3(2, 1, 1), 0);

    FattenAABB(a);
    expectVecNear(a.min, phVec3(-0.5f, -0.5f, -0.5f), 0);
    expectVecNear(a.max, phVec3(1.5f, 1.5f, 1.5f), 0);
}
