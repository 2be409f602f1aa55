// Start-up and shut-down of the Puppet runtime.
#pragma once

class Puppet {
public:
    // Prints the version banner on the first call; creates the shared values on every call.
    static void init();
    // Deletes every interned identifier and the shared values.
    static void dispose();
};
