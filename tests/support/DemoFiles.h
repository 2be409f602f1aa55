// The demo game's Puppet character for tests and benchmarks: its source files read whole, and its built
// files copied into a scratch folder.
#pragma once
#include <string>

class ScratchDir;

namespace testsupport {

// A file of demo/puppet/ in the source tree ("hero.txt", "idle.mtn"); the test fails when it cannot be read.
std::string DemoPuppetFile(const std::string& name);
// The character as the build made it for the game folder (hero.pup, its two pictures, idle.mtn and
// talk.mtn), written into the folder.
void WriteDemoCharacter(const ScratchDir& folder);

}  // namespace testsupport
