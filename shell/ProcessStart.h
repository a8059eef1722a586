#pragma once

// What the process sets up before it opens anything of its own.
//
// Descriptors 0, 1 and 2 are opened on /dev/null when the program was started
// without them (`2>&-`): otherwise the first file it creates, such as a
// capture's video, would take one of those numbers and every message meant for
// stderr would be written into it.
//
// SIGPIPE and SIGXFSZ are ignored: a message that cannot be delivered (stderr
// a pipe whose reader has gone) or a file grown past the size limit must end
// in a failed write that the program reports and cleans up after, never in
// the process being killed half-way through a file.
void prepareProcess();
