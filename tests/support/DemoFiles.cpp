// Reads the demo character's files from the source tree and the build.
#include "support/DemoFiles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "support/ScenarioCode.h"
#include "support/ScratchDir.h"

namespace testsupport {

std::string DemoPuppetFile(const std::string& name) {
    std::ifstream in(std::string(MARLOWE_SOURCE_DIR) + "/demo/puppet/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteDemoCharacter(const ScratchDir& folder) {
    for (const char* f : {"hero.pup", "hero_body.png", "hero_face.png", "idle.mtn", "talk.mtn"})
        folder.Write(f, BuiltFile(std::string("game/puppet/") + f));
}

}  // namespace testsupport
