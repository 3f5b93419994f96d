// SDL holds off the system's screen saver while it runs unless told not to;
// the player runs under a screen saver daemon (as its hack, or started by it)
// and must leave the daemon's idle timer alone.
#include <gtest/gtest.h>

#include <SDL.h>

#include "tests/platform/drivers/sdl/sdl_test_support.h"

namespace vesper::test {
namespace {

class SdlVideo : public SdlTest {};

TEST_F(SdlVideo, LeavesTheSystemScreenSaverEnabled)
{
    bool enabled = false;
    platform::sdl::VideoThread::Get()->Call([&enabled] { enabled = SDL_IsScreenSaverEnabled() == SDL_TRUE; });
    EXPECT_TRUE(enabled);
}

}  // namespace
}  // namespace vesper::test
