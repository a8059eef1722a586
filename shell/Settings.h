#pragma once
#include <cstdint>

// The program's fixed settings; nothing changes them at run time.
struct Settings {
    int32_t width = 512;       // display mode width, also the window width
    int32_t height = 384;      // display mode height, also the window height
    int32_t bitsPerPixel = 32; // colour depth asked for in fullscreen
    bool fullscreen = true;    // start fullscreen
};

inline constexpr Settings settings{};
