#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "demo/ShowState.h"
#include "gfx/Bitmap.h"
#include "sync/FrameClock.h"
#include "sync/MusicSync.h"

// What the studio asks of the soundtrack: the Soundtrack in the program, a
// stand-in in tests.
class StudioTransport {
  public:
    virtual ~StudioTransport() = default;
    virtual uint32_t position() = 0;
    virtual void setVolume(int32_t volume) = 0;
    virtual void playFrom(uint32_t position) = 0;
    virtual void pause() = 0;
    virtual void resume() = 0;
};

// The studio's hold on the running show: which step is on screen, whether
// it plays, and seeking. Playing, each frame is the next step at the
// soundtrack's play position, as in the live show. A seek replays the show
// to the target undrawn and draws the target at the frame clock's position
// for it, so it lands on exactly the frame a capture (or --start) shows there,
// and moves the soundtrack to that position. Paused, the frame on screen is
// held: drawFrame copies it back instead of stepping.
//
// The show pauses by itself on its last step instead of ending, so it can be
// sought back into.
class StudioSession {
  public:
    explicit StudioSession(StudioTransport& transport) : sound(transport) {}

    // The show to run: its pattern store (kept by the caller until the next
    // load), the clock of a 60-step capture of its soundtrack, and the last
    // step a seek may reach. A session already showing a step replays the
    // new show to it (the soundtrack plays on where it is).
    void load(const MusicSync& store, const FrameClock& clock, int64_t lastStep);

    // Lands on `step` (clamped to 0 .. the last step); drawn by the next
    // drawFrame. Paused or playing stays as it was.
    void seek(int64_t step);
    // Seeks by `steps` from the step on screen.
    void seekBy(int64_t steps) { seek(shownStep() + steps); }
    // Pauses and seeks by `steps`.
    void stepBy(int64_t steps);

    void togglePause();
    void pause();
    void resume();
    bool paused() const { return isPaused; }

    // Puts the frame of now into `canvas` (512 × 256): the step a seek
    // landed on, the next step when playing, else the held frame.
    void drawFrame(Bitmap& canvas);
    // Takes the next step of play without drawing it, where a display slower
    // than 60 Hz shows only every few steps. Only plain play steps: paused,
    // or with a seek waiting to be drawn, it does nothing. The show's last
    // step, and a step that ends the show, are left for drawFrame, so the
    // frame held at the end is always the end's own.
    void stepUnshown();

    // The step on screen; before the first drawFrame, the step it will draw.
    int64_t shownStep() const { return pending >= 0 ? pending : shown; }
    int64_t lastStep() const { return last; }
    // The show as the frame on screen left it.
    const ShowState& show() const { return state; }

  private:
    void replayAndLand(int64_t step, bool moveSound);
    void hold(const Bitmap& canvas);

    StudioTransport& sound;
    const MusicSync* store = nullptr;
    FrameClock clock{1, 60};
    int64_t last = 0;
    ShowState state;
    int64_t shown = 0;
    int64_t pending = 0; // the step the next drawFrame draws at the clock's position, or -1
    bool exact = false;  // every step since the last seek was taken at the clock's positions
    bool isPaused = false;
    // The play position of a step that ended the show while undrawn: it was
    // undone, and drawFrame takes it again there, drawn.
    std::optional<uint32_t> endingAt;
    std::vector<uint32_t> held;
};
