// Test support: scenario code assembled from text, run in the novel system's machine, and the game-wide
// state the machines reach reset between tests.
#pragma once
#include <string>
#include <vector>

#include "engine/save/USBinaryStream.h"
#include "novel/vm/BaseAppVCPU.h"
#include "support/GameState.h"
#include "novel/vm/VirtualCode.h"

namespace testsupport {

// Assembles the source (failing the test on assembler errors) into a code file of that name.
VirtualCodePtr Code(const std::string& source, const std::string& name = "test.bin", bool scene = false);
std::vector<uint8_t> Bytes(const std::string& source, bool scene = false);
// Runs the machine's slice to its yield, going on where a busy machine cut it short by time; returns
// the run result.
uint32_t RunSlice(CBaseAppVCPU& machine);
// Runs the source, with a Yield added at its end, in the novel system's machine from offset 0 to its
// first yield; returns the run result.
uint32_t RunNovel(const std::string& source);
// The novel system's machine holds no code, so that a whole-game save made by the next test names no
// code file of this one (a load refuses any name that is not a scenario code file).
void ResetNovelMachine();

// A file the build made, by its path under the build folder ("game/puppet/hero.pup").
std::vector<uint8_t> BuiltFile(const std::string& path);

// Saves with Save(out) and loads back with Load(in, 0) into the same or another object.
template <class From, class To>
void RoundTrip(From& from, To& to) {
    USLib::binary_ostream<256> out;
    from.Save(out);
    USLib::binary_istream in;
    in.Attach(out.GetData(), out.GetSize());
    to.Load(in, 0);
}

}  // namespace testsupport
