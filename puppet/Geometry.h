// Small geometry values that the model file can hold (points, rectangles, a colour, an affine
// matrix). Nothing in the runtime reads them further; they are kept as read.
#pragma once
#include <cstdint>

#include "puppet/PPObject.h"

namespace puppet {

struct PPPoint : PPObject {
    PPPoint(int32_t x_, int32_t y_) : x(x_), y(y_) {}
    int32_t x, y;
};

struct PPRect : PPObject {
    PPRect(int32_t x_, int32_t y_, int32_t w_, int32_t h_) : x(x_), y(y_), width(w_), height(h_) {}
    int32_t x, y, width, height;
};

struct PPPointF : PPObject {
    PPPointF(float x_, float y_) : x(x_), y(y_) {}
    float x, y;
};

struct PPRectF : PPObject {
    PPRectF(float x_, float y_, float w_, float h_) : x(x_), y(y_), width(w_), height(h_) {}
    float x, y, width, height;
};

struct PPColor : PPObject {
    explicit PPColor(int32_t c) : color(c) {}
    int32_t color;
};

struct PPAffineTransform : PPObject {
    PPAffineTransform(float m1, float m2, float m3, float m4, float m5, float m6);
    float m[6];
    int32_t kind;
    int32_t flag;
};

}  // namespace puppet
