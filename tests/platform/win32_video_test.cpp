// Starting the display: the compose table set aside while SDL starts is the user's again afterwards,
// so that programs the game starts (a browser, the desktop's opener) type composed characters as usual.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <windows.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

std::optional<std::string> Variable(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::optional<std::string>(v) : std::nullopt;
}

TEST(StartVideoTest, LeavesTheComposeTableAsItFoundIt) {
    const std::optional<std::string> saved = Variable("XCOMPOSEFILE");
    for (const std::optional<std::string>& before : {std::optional<std::string>(),
                                                       std::optional<std::string>("/home/player/.XCompose")}) {
        SCOPED_TRACE(before.value_or("(not set)"));
        if (before)
            setenv("XCOMPOSEFILE", before->c_str(), 1);
        else
            unsetenv("XCOMPOSEFILE");
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        ASSERT_TRUE(win32::StartVideo());
        EXPECT_EQ(Variable("XCOMPOSEFILE"), before);
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    if (saved)
        setenv("XCOMPOSEFILE", saved->c_str(), 1);
    else
        unsetenv("XCOMPOSEFILE");
}

}  // namespace
