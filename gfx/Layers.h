#pragma once
#include <cstdint>

#include "gfx/Bitmap.h"

// Two layers that a frame often draws one after the other, drawn in one pass
// over the destination where that gives the same bytes, and one after the
// other (with the members named) everywhere else.

// destination.fill(0), then source.blend(destination, alpha). When the source
// covers the whole destination, every pixel becomes blend(0, s, alpha), so
// the clear is never stored and the destination never read.
void clearThenBlend(Bitmap& destination, Bitmap& source, int32_t alpha);

// first.add(destination), then second.add(destination). When both cover the
// whole destination, each pixel takes both adds in turn in one pass.
void addInTurn(Bitmap& destination, Bitmap& first, Bitmap& second);

// clearThenBlend(destination, source, alpha), then addInTurn(destination,
// first, second). When all three cover the whole destination, each pixel is
// made in one pass from the three sources, the destination never read.
void clearThenBlendThenAddInTurn(Bitmap& destination, Bitmap& source, int32_t alpha, Bitmap& first,
                                 Bitmap& second);
