#pragma once
#include <functional>

// Stands in for an ownerless message box. Where a display can show one, this
// is an SDL simple message box (it waits for the user's OK); everywhere else
// (no display, SDL's dummy or offscreen video driver, DEMO_NO_MESSAGE_BOXES=1)
// the caption and text go to stderr as one line, "caption: text" (one such line
// for each line of a text of several), and the call returns at once.
void showMessageBox(const char* caption, const char* text);
// The same with an error icon on the box (the stderr line is identical).
void showErrorMessageBox(const char* caption, const char* text);

// Quiet mode drops every message without showing or printing it. The fuzzers
// use it so that thousands of refused inputs do not flood the log.
void setMessageBoxesQuiet(bool quiet);
bool messageBoxesQuiet();

// Stderr mode never opens a box, whatever the display: the capture mode uses
// no video at all, and says everything on stderr.
void setMessageBoxesOnStderr(bool onStderr);

// While a hook is set, every box is handed to it (caption, text) instead of
// being shown or printed, quiet mode or not; tests use it to see what a user
// would be shown. An empty hook puts things back.
using MessageBoxHook = std::function<void(const char* caption, const char* text)>;
void setMessageBoxHook(MessageBoxHook hook);
