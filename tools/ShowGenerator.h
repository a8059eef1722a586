#pragma once
#include <string>

// Writes a complete show folder: music.mp3, data/data and every picture of
// the asset list. `musicSeconds` shortens the soundtrack (0 = the whole song);
// the pictures and the script are always complete. Returns false, with the
// reason in `error`, when a file cannot be written.
bool generateShow(const std::string& folder, double musicSeconds, std::string& error);

// Names of the pictures under data/, in the order the show loads them.
const char* const* showPictureNames(int& count);
