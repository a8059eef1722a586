#pragma once
#include "loaders/LoadResult.h"
#include "loaders/PixelSink.h"

// The picture readers. Each opens `name` (regular files only), checks the
// header, asks the sink for storage and decodes into it. None of them shows
// anything: the outcome says what happened and the caller reports it.
// On any code but loadSuccess the sink's storage, if it was asked for, holds
// no complete picture.

// 24-bit uncompressed BMP.
LoadOutcome readBmp(const char* name, PixelSink& sink);
// 24-bit TGA, type 2 (uncompressed) or 10 (run-length).
LoadOutcome readTga(const char* name, PixelSink& sink);
// JPEG with three colour components, decoded by libjpeg.
LoadOutcome readJpeg(const char* name, PixelSink& sink);

enum class PictureFormat { bmp, tga, jpeg, unknown };
// The reader for a name, chosen by its last three characters alone; there is
// no search for a dot, so "x.jpeg" is unknown and "xjpg" is a JPEG.
PictureFormat formatFromName(const char* name);
