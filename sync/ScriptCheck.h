#pragma once
#include <string>

// Why the sync script `fileName` would not be read whole: it cannot be
// opened, ends inside a block, or holds something other than a number where
// a number belongs. Names the line and what was expected there. Empty for a
// script readScript takes completely (counts beyond the store's limits are
// allowed: readScript cuts them).
std::string scriptProblem(const char* fileName);
