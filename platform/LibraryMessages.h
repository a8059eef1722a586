#pragma once

// The system libraries print messages of their own: the MP3 decoder its
// "[src/libmpg123/...] error:" lines, libasound its "ALSA lib ..." lines when
// there is no sound card. They stay off stderr, where the program says what
// matters in its own words ("no sound: ..."), unless DEMO_VERBOSE=1 is set or
// the command line asked for them (-v).
bool libraryMessagesWanted();
void letLibraryMessagesThrough();

// Turns libasound's messages away, unless they are wanted. Call before the
// audio output is opened: SDL's ALSA back end loads the same library and
// keeps the handler set here.
void quietSoundSystemMessages();
