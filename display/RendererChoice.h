#pragma once

// Picks SDL's renderer for the machine, before the window is made. Without a
// graphics device (no /dev/dri node, no NVIDIA device) every OpenGL renderer
// draws on the processor: it takes about 150 ms to start (it compiles its
// shaders) and, fullscreen at 1920 × 1080, spends more than a core of its own
// on each frame, where SDL's software renderer shows the same picture for a
// fifth of that. Such machines get the software renderer. SDL_RENDER_DRIVER
// and SDL_FRAMEBUFFER_ACCELERATION, when set, still decide.
void chooseRenderer();

// Whether the machine has a graphics device an OpenGL driver could use.
bool hasGraphicsDevice();
