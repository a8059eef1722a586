#pragma once
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "platform/Quit.h"
#include "shell/Shell.h"

// SDL's video subsystem on the dummy driver (no screen needed), a fresh quit
// state, and the canvas allocated once for the whole test program.
class DisplaySdlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        resetQuit();
        if (!canvasOwnPixels) createCanvas();
    }
    void TearDown() override {
        for (SDL_Window* w : windows) SDL_DestroyWindow(w);
        windows.clear();
        resetQuit();
        SDL_Quit();
    }
    SDL_Window* makeWindow() {
        SDL_Window* w = SDL_CreateWindow("", 0, 0, 512, 384, SDL_WINDOW_SHOWN);
        windows.push_back(w);
        return w;
    }
    std::vector<SDL_Window*> windows;
};
