// Small text and time helpers of the Puppet runtime used by the motion reader and the byte buffer.
#pragma once
#include <cstdint>

#include "puppet/PPString.h"

namespace puppet {

class UtString {
public:
    static bool startsWith(const char* text, const char* prefix);
    // Reads an optional "-", digits, optionally "." and digits, from text[start] up to length;
    // end receives the position after the number.
    static float strToFloat(const char* text, int length, int start, int* end);
    // printf into a PPString of any length.
    static PPString format(const char* format, ...) __attribute__((format(printf, 1, 2)));
};

class UtMotion {
public:
    // 0 below 0, 1 above 1, else 0.5 - 0.5·cos(t·3.1415).
    static float getEasingSine(float t);
};

class UtSystem {
public:
    // The host's time when one was set (non-zero), else milliseconds since the program started.
    static int64_t getUserTimeMSec();
    static void setUserTimeMSec(int64_t msec);
};

}  // namespace puppet
