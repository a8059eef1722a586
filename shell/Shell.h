#pragma once
#include <cstdint>

struct SDL_Window;
class DisplayDevice;

// Process-wide state of the shell.
extern SDL_Window* mainWindow;
extern DisplayDevice* display;
extern int32_t desktopBpp;
// True while the window is not minimised; written only by the window's event
// handler, read by the main loop to decide whether to render.
extern bool active;
// The canvas's own pixel block, remembered right after it is allocated. 32-bit
// frames point the canvas into the back buffer; every other frame points it
// back here.
extern uint32_t* canvasOwnPixels;

// The desktop's pixel format, or the one DEMO_WINDOWED_BPP (15, 16, 24, 32, 8)
// asks for, so tests can see every windowed depth on one machine.
uint32_t queryDesktopFormat();
// The desktop colour depth in bits per pixel (see desktopBppOf).
int32_t queryDesktopBpp();

// Allocates the canvas at 512 × 256 and remembers its own pixels (once: a
// second call points the canvas back at them).
void createCanvas();
// createCanvas, then every picture, the sync script and the music (unless
// a clock was given to the sync).
void initDemo();

// Creates and shows the one window: fullscreen over the whole desktop, or
// with its outer frame width × height at (100, 100).
SDL_Window* createMainWindow(const char* caption, int32_t width, int32_t height, bool fullscreen);
// The window's destruction: releases the display, destroys the window and
// posts the quit (exit code 0). Does nothing once the window is gone.
void destroyMainWindow();
