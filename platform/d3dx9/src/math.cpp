// D3DX matrix and vector helpers: row vectors multiplied on the left, depth in 0..1.
#include <d3dx9.h>

#include <cmath>
#include <cstring>

D3DXMATRIX::D3DXMATRIX(const float* f) { std::memcpy(&_11, f, sizeof(float) * 16); }

D3DXMATRIX::D3DXMATRIX(float m11, float m12, float m13, float m14, float m21, float m22, float m23, float m24,
                       float m31, float m32, float m33, float m34, float m41, float m42, float m43, float m44)
    : D3DMATRIX{{{m11, m12, m13, m14, m21, m22, m23, m24, m31, m32, m33, m34, m41, m42, m43, m44}}} {}

D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& o) const {
    D3DXMATRIX r;
    D3DXMatrixMultiply(&r, this, &o);
    return r;
}

bool D3DXMATRIX::operator==(const D3DXMATRIX& o) const { return std::memcmp(m, o.m, sizeof m) == 0; }

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out) {
    *out = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a->m[i][0] * b->m[0][j] + a->m[i][1] * b->m[1][j] + a->m[i][2] * b->m[2][j] +
                        a->m[i][3] * b->m[3][j];
    *out = r;
    return out;
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m) {
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.m[i][j] = m->m[j][i];
    *out = r;
    return out;
}

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* mat) {
    const float* m = &mat->_11;
    float inv[16];
    inv[0] = m[5] * m[10] * m[15] - m[5] * m[11] * m[14] - m[9] * m[6] * m[15] + m[9] * m[7] * m[14] +
             m[13] * m[6] * m[11] - m[13] * m[7] * m[10];
    inv[4] = -m[4] * m[10] * m[15] + m[4] * m[11] * m[14] + m[8] * m[6] * m[15] - m[8] * m[7] * m[14] -
             m[12] * m[6] * m[11] + m[12] * m[7] * m[10];
    inv[8] = m[4] * m[9] * m[15] - m[4] * m[11] * m[13] - m[8] * m[5] * m[15] + m[8] * m[7] * m[13] +
             m[12] * m[5] * m[11] - m[12] * m[7] * m[9];
    inv[12] = -m[4] * m[9] * m[14] + m[4] * m[10] * m[13] + m[8] * m[5] * m[14] - m[8] * m[6] * m[13] -
              m[12] * m[5] * m[10] + m[12] * m[6] * m[9];
    inv[1] = -m[1] * m[10] * m[15] + m[1] * m[11] * m[14] + m[9] * m[2] * m[15] - m[9] * m[3] * m[14] -
             m[13] * m[2] * m[11] + m[13] * m[3] * m[10];
    inv[5] = m[0] * m[10] * m[15] - m[0] * m[11] * m[14] - m[8] * m[2] * m[15] + m[8] * m[3] * m[14] +
             m[12] * m[2] * m[11] - m[12] * m[3] * m[10];
    inv[9] = -m[0] * m[9] * m[15] + m[0] * m[11] * m[13] + m[8] * m[1] * m[15] - m[8] * m[3] * m[13] -
             m[12] * m[1] * m[11] + m[12] * m[3] * m[9];
    inv[13] = m[0] * m[9] * m[14] - m[0] * m[10] * m[13] - m[8] * m[1] * m[14] + m[8] * m[2] * m[13] +
              m[12] * m[1] * m[10] - m[12] * m[2] * m[9];
    inv[2] = m[1] * m[6] * m[15] - m[1] * m[7] * m[14] - m[5] * m[2] * m[15] + m[5] * m[3] * m[14] +
             m[13] * m[2] * m[7] - m[13] * m[3] * m[6];
    inv[6] = -m[0] * m[6] * m[15] + m[0] * m[7] * m[14] + m[4] * m[2] * m[15] - m[4] * m[3] * m[14] -
             m[12] * m[2] * m[7] + m[12] * m[3] * m[6];
    inv[10] = m[0] * m[5] * m[15] - m[0] * m[7] * m[13] - m[4] * m[1] * m[15] + m[4] * m[3] * m[13] +
              m[12] * m[1] * m[7] - m[12] * m[3] * m[5];
    inv[14] = -m[0] * m[5] * m[14] + m[0] * m[6] * m[13] + m[4] * m[1] * m[14] - m[4] * m[2] * m[13] -
              m[12] * m[1] * m[6] + m[12] * m[2] * m[5];
    inv[3] = -m[1] * m[6] * m[11] + m[1] * m[7] * m[10] + m[5] * m[2] * m[11] - m[5] * m[3] * m[10] -
             m[9] * m[2] * m[7] + m[9] * m[3] * m[6];
    inv[7] = m[0] * m[6] * m[11] - m[0] * m[7] * m[10] - m[4] * m[2] * m[11] + m[4] * m[3] * m[10] +
             m[8] * m[2] * m[7] - m[8] * m[3] * m[6];
    inv[11] = -m[0] * m[5] * m[11] + m[0] * m[7] * m[9] + m[4] * m[1] * m[11] - m[4] * m[3] * m[9] -
              m[8] * m[1] * m[7] + m[8] * m[3] * m[5];
    inv[15] = m[0] * m[5] * m[10] - m[0] * m[6] * m[9] - m[4] * m[1] * m[10] + m[4] * m[2] * m[9] +
              m[8] * m[1] * m[6] - m[8] * m[2] * m[5];
    float det = m[0] * inv[0] + m[1] * inv[4] + m[2] * inv[8] + m[3] * inv[12];
    if (determinant) *determinant = det;
    if (det == 0.f) return nullptr;
    for (float& v : inv) v /= det;
    *out = D3DXMATRIX(inv);
    return out;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float x, float y, float z) {
    *out = D3DXMATRIX(x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z) {
    *out = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float a) {
    float c = std::cos(a), s = std::sin(a);
    *out = D3DXMATRIX(1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float a) {
    float c = std::cos(a), s = std::sin(a);
    *out = D3DXMATRIX(c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float a) {
    float c = std::cos(a), s = std::sin(a);
    *out = D3DXMATRIX(c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, float yaw, float pitch, float roll) {
    D3DXMATRIX z, x, y;
    D3DXMatrixRotationZ(&z, roll);
    D3DXMatrixRotationX(&x, pitch);
    D3DXMatrixRotationY(&y, yaw);
    *out = z * x * y;
    return out;
}

static D3DXMATRIX* LookAt(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3& forward, const D3DXVECTOR3* up) {
    D3DXVECTOR3 z, x, y;
    D3DXVec3Normalize(&z, &forward);
    D3DXVec3Cross(&x, up, &z);
    D3DXVec3Normalize(&x, &x);
    D3DXVec3Cross(&y, &z, &x);
    *out = D3DXMATRIX(x.x, y.x, z.x, 0, x.y, y.y, z.y, 0, x.z, y.z, z.z, 0, -D3DXVec3Dot(&x, eye),
                      -D3DXVec3Dot(&y, eye), -D3DXVec3Dot(&z, eye), 1);
    return out;
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at, const D3DXVECTOR3* up) {
    return LookAt(out, eye, *at - *eye, up);
}

D3DXMATRIX* D3DXMatrixLookAtRH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at, const D3DXVECTOR3* up) {
    return LookAt(out, eye, *eye - *at, up);
}

D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* out, float w, float h, float zn, float zf) {
    *out = D3DXMATRIX(2 / w, 0, 0, 0, 0, 2 / h, 0, 0, 0, 0, 1 / (zf - zn), 0, 0, 0, zn / (zn - zf), 1);
    return out;
}

D3DXMATRIX* D3DXMatrixOrthoRH(D3DXMATRIX* out, float w, float h, float zn, float zf) {
    *out = D3DXMATRIX(2 / w, 0, 0, 0, 0, 2 / h, 0, 0, 0, 0, 1 / (zn - zf), 0, 0, 0, zn / (zn - zf), 1);
    return out;
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* out, float l, float r, float b, float t, float zn, float zf) {
    *out = D3DXMATRIX(2 / (r - l), 0, 0, 0, 0, 2 / (t - b), 0, 0, 0, 0, 1 / (zf - zn), 0, (l + r) / (l - r),
                      (t + b) / (b - t), zn / (zn - zf), 1);
    return out;
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterRH(D3DXMATRIX* out, float l, float r, float b, float t, float zn, float zf) {
    *out = D3DXMATRIX(2 / (r - l), 0, 0, 0, 0, 2 / (t - b), 0, 0, 0, 0, 1 / (zn - zf), 0, (l + r) / (l - r),
                      (t + b) / (b - t), zn / (zn - zf), 1);
    return out;
}

D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    D3DXVECTOR4 r;
    for (int j = 0; j < 4; ++j) (&r.x)[j] = v->x * m->m[0][j] + v->y * m->m[1][j] + v->z * m->m[2][j] + m->m[3][j];
    *out = r;
    return out;
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    D3DXVECTOR4 r;
    D3DXVec3Transform(&r, v, m);
    *out = D3DXVECTOR3(r.x / r.w, r.y / r.w, r.z / r.w);
    return out;
}

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v) {
    float len = D3DXVec3Length(v);
    *out = len > 0.f ? *v * (1.f / len) : D3DXVECTOR3(0, 0, 0);
    return out;
}

D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    *out = D3DXVECTOR3(a->y * b->z - a->z * b->y, a->z * b->x - a->x * b->z, a->x * b->y - a->y * b->x);
    return out;
}

float D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b) { return a->x * b->x + a->y * b->y + a->z * b->z; }

float D3DXVec3Length(const D3DXVECTOR3* v) { return std::sqrt(D3DXVec3Dot(v, v)); }
