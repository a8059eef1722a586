#pragma once

// Shows a message box with no owner window and waits until it is closed.
void showMessageBox(const char* caption, const char* text);
