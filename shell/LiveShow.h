#pragma once
#include <cstdint>
#include <optional>

#include "demo/ShowState.h"
#include "shell/AdvanceSteps.h"

// The loaded show (musicSync, the pictures) as live play runs it: every step
// at the soundtrack's real play position, except the first after a start
// further on (--start), which is taken at its step's exact frame-clock
// position so that it is the frame a capture shows there.
class LiveShow {
  public:
    LiveShow();

    // Replays the show to `step` and moves the soundtrack there. False, with
    // one line on stderr, when the step lies past the show's end.
    bool startAt(int64_t step);

    // The steps for the main loop (they refer to this object). A step that
    // ends the show posts the quit.
    LiveSteps steps();

  private:
    void step(Bitmap* target);

    ShowState state;
    std::optional<uint32_t> firstPosition;
};
