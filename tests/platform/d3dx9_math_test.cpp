// D3DX matrix helpers: projections, views, rotations and inverses checked on points whose images
// follow from the definitions (row vectors, depth 0..1).
#include <d3dx9.h>
#include <gtest/gtest.h>

#include <cmath>

namespace {

D3DXVECTOR4 Apply(const D3DXMATRIX& m, float x, float y, float z) {
    D3DXVECTOR3 v(x, y, z);
    D3DXVECTOR4 out;
    D3DXVec3Transform(&out, &v, &m);
    return out;
}

void ExpectPoint(const D3DXVECTOR4& p, float x, float y, float z, float w) {
    EXPECT_NEAR(p.x, x, 1e-5f);
    EXPECT_NEAR(p.y, y, 1e-5f);
    EXPECT_NEAR(p.z, z, 1e-5f);
    EXPECT_NEAR(p.w, w, 1e-5f);
}

TEST(D3DXMath, OffCenterOrthoFlipsYAndMapsDepthToZeroOne) {
    D3DXMATRIX m;
    D3DXMatrixOrthoOffCenterLH(&m, 0, 800, 600, 0, 1, 601);
    ExpectPoint(Apply(m, 0, 0, 1), -1, 1, 0, 1);
    ExpectPoint(Apply(m, 800, 600, 601), 1, -1, 1, 1);
    ExpectPoint(Apply(m, 400, 300, 301), 0, 0, 0.5f, 1);
    D3DXMatrixOrthoOffCenterRH(&m, 0, 800, 600, 0, 1, 601);
    ExpectPoint(Apply(m, 0, 0, -1), -1, 1, 0, 1);
    ExpectPoint(Apply(m, 800, 600, -601), 1, -1, 1, 1);
}

TEST(D3DXMath, CentredOrthoAndLookAt) {
    D3DXMATRIX ortho, view;
    D3DXMatrixOrthoLH(&ortho, 800, 600, 1, 601);
    ExpectPoint(Apply(ortho, 400, -300, 601), 1, -1, 1, 1);
    D3DXMatrixOrthoRH(&ortho, 800, 600, 1, 601);
    ExpectPoint(Apply(ortho, -400, 300, -1), -1, 1, 0, 1);
    D3DXVECTOR3 eye(0, 0, -10), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    ExpectPoint(Apply(view, 3, 4, 0), 3, 4, 10, 1);
    D3DXMatrixLookAtRH(&view, &eye, &at, &up);
    ExpectPoint(Apply(view, 3, 4, 0), -3, 4, -10, 1);
}

TEST(D3DXMath, YawPitchRollRollsThenPitchesThenYaws) {
    const float q = 3.14159265f / 2;
    struct Case {
        float yaw = 0, pitch = 0, roll = 0;
        float x = 0, y = 0, z = 0;     // input
        float ex = 0, ey = 0, ez = 0;  // expected
    };
    const Case cases[] = {
        {.yaw = q, .x = 1, .ez = -1},             // yaw about y
        {.pitch = q, .y = 1, .ez = 1},            // pitch about x
        {.roll = q, .x = 1, .ey = 1},             // roll about z
        {.yaw = q, .roll = q, .x = 1, .ey = 1},   // roll takes x to y, yaw leaves y alone
        {.yaw = q, .pitch = q, .y = 1, .ex = 1},  // pitch takes y to z, yaw takes z to x
    };
    for (const Case& c : cases) {
        D3DXMATRIX m;
        D3DXMatrixRotationYawPitchRoll(&m, c.yaw, c.pitch, c.roll);
        ExpectPoint(Apply(m, c.x, c.y, c.z), c.ex, c.ey, c.ez, 1);
    }
}

TEST(D3DXMath, InverseUndoesAndSingularFails) {
    D3DXMATRIX s, r, t, m, inv;
    D3DXMatrixScaling(&s, 2, 3, 4);
    D3DXMatrixRotationZ(&r, 0.7f);
    D3DXMatrixTranslation(&t, 5, -6, 7);
    m = s * r * t;
    float det = 0;
    ASSERT_NE(D3DXMatrixInverse(&inv, &det, &m), nullptr);
    EXPECT_NEAR(det, 24.f, 1e-4f);
    D3DXMATRIX id = m * inv;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(id(i, j), i == j ? 1.f : 0.f, 1e-5f);
    D3DXMATRIX singular;
    D3DXMatrixScaling(&singular, 1, 0, 1);
    EXPECT_EQ(D3DXMatrixInverse(&inv, nullptr, &singular), nullptr);
    D3DXMATRIX tt;
    D3DXMatrixTranspose(&tt, &t);
    EXPECT_EQ(tt(0, 3), 5.f);
}

}  // namespace
