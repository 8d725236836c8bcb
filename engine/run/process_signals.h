#pragma once
// Signals that must not end a run whose result can still be saved.

namespace corvane {

// Ignores SIGPIPE, so that a console piped into a program that stops reading
// (`Corvane | head`) turns into a failed write instead of killing the run, and
// SIGXFSZ, so that a file-size limit makes the result write fail with EFBIG
// (a write error) instead of killing the process in the middle of it.
void ignoreSignalsThatWouldLoseARun();

}  // namespace corvane
