#pragma once
#include "gfx/Bitmap.h"
#include "gfx/Picture.h"

// The pictures of the show and the canvas every frame is composed in.
extern Picture texturePicture;
extern Picture cluvoPictures[8];
extern Picture giraffePictures[14]; // elements 0..12 are loaded and drawn
extern Picture cloudsPicture;
extern Picture scrollPicture;
extern Picture softPicture;
extern Bitmap canvas;

constexpr int32_t canvasWidth = 512;
constexpr int32_t canvasHeight = 256;

// Loads every picture in the fixed order, leaves out (with one line on stderr)
// any that failed or does not fit the way the scenes draw it (a size that does
// not fit is refused from the file's header), shows one box listing the files
// the JPEG decoder stopped on, if any, then starts music and sync (startMusicAndSync).
void loadAssets();
// Called before each picture load; when it returns false the rest of the
// loading, music and sync included, is left out (the live program answers its
// window between loads and stops when it is closed). nullptr: no hook.
void setBetweenLoadsHook(bool (*hook)());
