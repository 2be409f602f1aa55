// UtString, UtMotion and UtSystem.
#include "puppet/Ut.h"

#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <vector>

namespace puppet {

bool UtString::startsWith(const char* text, const char* prefix) {
    while (*prefix)
        if (*text++ != *prefix++) return false;
    return true;
}

float UtString::strToFloat(const char* text, int length, int start, int* end) {
    int i = start;
    bool negative = false;
    if (i < length && text[i] == '-') {
        negative = true;
        ++i;
    }
    float value = 0.0f;
    while (i < length && text[i] >= '0' && text[i] <= '9') value = value * 10.0f + static_cast<float>(text[i++] - '0');
    if (i < length && text[i] == '.') {
        ++i;
        float factor = 0.1f;
        while (i < length && text[i] >= '0' && text[i] <= '9') {
            value += static_cast<float>(text[i++] - '0') * factor;
            factor *= 0.1f;
        }
    }
    if (end) *end = i;
    return negative ? -value : value;
}

PPString UtString::format(const char* format, ...) {
    std::vector<char> buffer(256);
    for (;;) {
        va_list args;
        va_start(args, format);
        int n = std::vsnprintf(buffer.data(), buffer.size(), format, args);
        va_end(args);
        if (n < 0) return PPString("");
        if (static_cast<size_t>(n) < buffer.size()) return PPString(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

float UtMotion::getEasingSine(float t) {
    if (t < 0.0f) return 0.0f;
    if (t > 1.0f) return 1.0f;
    return 0.5f - 0.5f * std::cos(t * 3.1415f);
}

namespace {
const auto processStart = std::chrono::steady_clock::now();
int64_t hostTime = 0;
}  // namespace

int64_t UtSystem::getUserTimeMSec() {
    if (hostTime != 0) return hostTime;
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - processStart).count();
}

void UtSystem::setUserTimeMSec(int64_t msec) { hostTime = msec; }

}  // namespace puppet
