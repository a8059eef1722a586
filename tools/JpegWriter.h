#pragma once
#include <string>

#include "tools/Image.h"

// Writes the picture as a baseline JPEG with fixed settings (quality 92, no
// chroma subsampling, integer DCT, optimised Huffman tables), so the bytes
// depend only on the pixels. Returns false, with the reason, on failure.
bool writeJpeg(const Image& image, const std::string& path, std::string& error);
