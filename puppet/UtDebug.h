// Debug output of the Puppet runtime: short messages to the debugger output (stderr here) and
// notes on the standard output.
#pragma once

namespace puppet {

class UtDebug {
public:
    static void print(const char* format, ...) __attribute__((format(printf, 1, 2)));
    static void println(const char* format, ...) __attribute__((format(printf, 1, 2)));
    // Formats onto the standard output; the runtime's CP932 text is shown as UTF-8.
    static void out(const char* format, ...) __attribute__((format(printf, 1, 2)));
};

}  // namespace puppet
