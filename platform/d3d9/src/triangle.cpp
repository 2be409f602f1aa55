// Triangle set-up: snapping corners to 1/256 pixel, edge functions, the clipped bounding box and the
// plane equations over the snapped positions; each row's span from the edges; attribute runs.
#include "triangle.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace d3d9 {

Usage UsageOf(const PixelState& st) {
    Usage u;
    if (st.pixelShader) {
        u.diffuse = st.pixelShader->colourRead;
        for (uint32_t t = 0; t < kTexCoordCount; ++t) {
            u.texComponents[t] = st.pixelShader->texcoordComponents[size_t(t)];
            if (u.texComponents[t]) u.texSets |= 1u << t;
        }
    } else {
        u.diffuse = true;
        for (uint32_t s = 0; s < kTextureStageCount; ++s) {
            if (st.tss[s][D3DTSS_COLOROP] == D3DTOP_DISABLE) break;
            if (st.textures[s]) {
                const int set = int(st.tss[s][D3DTSS_TEXCOORDINDEX] % kTexCoordCount);
                u.texSets |= 1u << set;
                u.texComponents[set] = 3;  // u and v
            }
        }
    }
    if (u.diffuse)
        for (int c = 0; c < 4; ++c) u.attrList[u.attrCount++] = kAttrDiffuse + c;
    for (uint32_t t = 0; t < kTexCoordCount; ++t)
        for (int c = 0; c < 4; ++c)
            if (u.texComponents[t] & (1u << c)) u.attrList[u.attrCount++] = kAttrTex + 4 * t + c;
    return u;
}

bool Setup(const ScreenVertex* v, const RECT& clip, const Usage& use, Triangle& t) {
    // A corner that is not a finite point draws nothing. Corners further out than 2^20 pixels, where
    // the guard band never puts one, are brought in to it, which keeps the edge products within 64 bits.
    constexpr double kFar = 1 << 20;
    int64_t X[3], Y[3];
    for (int i = 0; i < 3; ++i) {
        if (!std::isfinite(v[i].x) || !std::isfinite(v[i].y) || !std::isfinite(v[i].z) || !std::isfinite(v[i].invW))
            return false;
        X[i] = std::llround(std::clamp(double(v[i].x), -kFar, kFar) * kSub);
        Y[i] = std::llround(std::clamp(double(v[i].y), -kFar, kFar) * kSub);
    }
    int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
    if (area == 0) return false;
    int order[3] = {0, 1, 2};
    if (area < 0) std::swap(order[1], order[2]);  // make the triangle clockwise on screen
    for (int e = 0; e < 3; ++e) {
        int a = order[e], b = order[(e + 1) % 3];
        Edge& E = t.edge[e];
        E.ax = X[a];
        E.ay = Y[a];
        E.dx = X[b] - X[a];
        E.dy = Y[b] - Y[a];
        bool top = E.dy == 0 && E.dx > 0;
        bool left = E.dy < 0;
        E.bias = (top || left) ? 0 : 1;
    }
    int64_t minX = std::min({X[0], X[1], X[2]}), maxX = std::max({X[0], X[1], X[2]});
    int64_t minY = std::min({Y[0], Y[1], Y[2]}), maxY = std::max({Y[0], Y[1], Y[2]});
    t.xmin = int(std::max<int64_t>(clip.left, -FloorDiv(-minX, kSub)));
    t.xmax = int(std::min<int64_t>(clip.right - 1, FloorDiv(maxX, kSub)));
    t.ymin = int(std::max<int64_t>(clip.top, -FloorDiv(-minY, kSub)));
    t.ymax = int(std::min<int64_t>(clip.bottom - 1, FloorDiv(maxY, kSub)));
    if (t.xmin > t.xmax || t.ymin > t.ymax) return false;

    // Plane equations over the snapped positions.
    double x0 = double(X[0]) / kSub, y0 = double(Y[0]) / kSub;
    double x1 = double(X[1]) / kSub - x0, y1 = double(Y[1]) / kSub - y0;
    double x2 = double(X[2]) / kSub - x0, y2 = double(Y[2]) / kSub - y0;
    double det = x1 * y2 - x2 * y1;
    auto plane = [&](double a0, double a1, double a2) {
        double dx = ((a1 - a0) * y2 - (a2 - a0) * y1) / det;
        double dy = ((a2 - a0) * x1 - (a1 - a0) * x2) / det;
        return Plane{a0 - dx * x0 - dy * y0, dx, dy};
    };
    t.rect = false;
    t.affine = v[0].invW == v[1].invW && v[0].invW == v[2].invW;
    t.z = plane(v[0].z, v[1].z, v[2].z);
    t.invW = plane(v[0].invW, v[1].invW, v[2].invW);
    for (int i = 0; i < use.attrCount; ++i) {
        int k = use.attrList[i];
        if (t.affine)
            t.attr[k] = plane(v[0].a[k], v[1].a[k], v[2].a[k]);
        else
            t.attr[k] =
                plane(double(v[0].a[k]) * v[0].invW, double(v[1].a[k]) * v[1].invW, double(v[2].a[k]) * v[2].invW);
    }
    return true;
}

bool RectangleOf(const Triangle& a, const Triangle& b, const RECT& clip, RECT& pixels) {
    // The corners (in 1/256 pixel) are where the edges start.
    const Triangle* both[2] = {&a, &b};
    int64_t x0 = a.edge[0].ax, x1 = x0, y0 = a.edge[0].ay, y1 = y0;
    for (const Triangle* t : both)
        for (const Edge& e : t->edge) {
            x0 = std::min(x0, e.ax), x1 = std::max(x1, e.ax);
            y0 = std::min(y0, e.ay), y1 = std::max(y1, e.ay);
        }
    // Corners numbered 0..3 (right adds 1, bottom 2): each triangle's three add up to 6 less the one
    // it misses, and the two missed must be opposite (0 and 3, or 1 and 2).
    int missed[2];
    for (int k = 0; k < 2; ++k) {
        int sum = 0;
        for (const Edge& e : both[k]->edge) {
            if ((e.ax != x0 && e.ax != x1) || (e.ay != y0 && e.ay != y1)) return false;
            sum += (e.ax == x1 ? 1 : 0) + (e.ay == y1 ? 2 : 0);
        }
        missed[k] = 6 - sum;
    }
    if (missed[0] + missed[1] != 3) return false;
    // Pixel centres on the left and top sides are inside, those on the right and bottom are not.
    pixels.left = LONG(std::max<int64_t>(clip.left, -FloorDiv(-x0, kSub)));
    pixels.right = LONG(std::min<int64_t>(clip.right, -FloorDiv(-x1, kSub)));
    pixels.top = LONG(std::max<int64_t>(clip.top, -FloorDiv(-y0, kSub)));
    pixels.bottom = LONG(std::min<int64_t>(clip.bottom, -FloorDiv(-y1, kSub)));
    return pixels.left < pixels.right && pixels.top < pixels.bottom;
}

bool JoinRectangle(Triangle& a, const Triangle& b, const Usage& use, const RECT& clip) {
    if (a.rect || b.rect || a.affine != b.affine) return false;
    auto same = [](const Plane& p, const Plane& q) { return std::memcmp(&p, &q, sizeof p) == 0; };
    if (!same(a.z, b.z) || !same(a.invW, b.invW)) return false;
    for (int i = 0; i < use.attrCount; ++i)
        if (!same(a.attr[use.attrList[i]], b.attr[use.attrList[i]])) return false;
    RECT pixels;
    if (!RectangleOf(a, b, clip, pixels)) return false;
    a.rect = true;
    a.xmin = int(pixels.left), a.xmax = int(pixels.right) - 1, a.ymin = int(pixels.top), a.ymax = int(pixels.bottom) - 1;
    return true;
}

namespace {

// AttrRun's sums of one block four pixels at a time (AVX2), the last one to three through a masked
// store.
__attribute__((target("avx2"))) void AttrRunAvx2(double start, double dx, int offset, int n, float* out) {
    const __m256d step = _mm256_set1_pd(dx), from = _mm256_set1_pd(start);
    __m256d at = _mm256_setr_pd(offset, offset + 1, offset + 2, offset + 3);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        _mm_storeu_ps(out + i, _mm256_cvtpd_ps(_mm256_add_pd(from, _mm256_mul_pd(step, at))));
        at = _mm256_add_pd(at, _mm256_set1_pd(4.0));
    }
    if (i < n)
        _mm_maskstore_ps(out + i, _mm_cmpgt_epi32(_mm_set1_epi32(n - i), _mm_setr_epi32(0, 1, 2, 3)),
                         _mm256_cvtpd_ps(_mm256_add_pd(from, _mm256_mul_pd(step, at))));
}

}  // namespace

void AttrRun(const Plane& p, int cx, int y, int n, float* out) {
    while (n > 0) {
        const int block = cx & ~(kChunk - 1);
        const int m = std::min(n, block + kChunk - cx);
        const double start = p.base + p.dx * block + p.dy * y;
        if (Avx2())
            AttrRunAvx2(start, p.dx, cx - block, m, out);
        else
            for (int i = 0; i < m; ++i) out[i] = float(start + p.dx * (cx - block + i));
        cx += m;
        out += m;
        n -= m;
    }
}

}  // namespace d3d9
