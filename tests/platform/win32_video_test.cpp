// Starting the display: the variables set aside for SDL's start (an empty compose table, no session bus to
// launch) are the user's again afterwards, so that programs the game starts (a browser, the desktop's opener)
// type composed characters and find their session bus as usual.
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

void SetVariable(const char* name, const std::optional<std::string>& value) {
    if (value)
        setenv(name, value->c_str(), 1);
    else
        unsetenv(name);
}

TEST(StartVideoTest, LeavesTheEnvironmentAsItFoundIt) {
    const struct {
        const char* name;
        std::optional<std::string> before;
    } cases[] = {
        {"XCOMPOSEFILE", std::nullopt},
        {"XCOMPOSEFILE", "/home/player/.XCompose"},
        {"DBUS_SESSION_BUS_ADDRESS", std::nullopt},
        {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/run/user/1000/bus"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + "=" + c.before.value_or("(not set)"));
        const std::optional<std::string> saved = Variable(c.name);
        SetVariable(c.name, c.before);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        ASSERT_TRUE(win32::StartVideo());
        EXPECT_EQ(Variable(c.name), c.before);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        SetVariable(c.name, saved);
    }
}

}  // namespace
