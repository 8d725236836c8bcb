#pragma once
// How Tessaray ends: leave the event loop with an exit status. No window is
// closed on the way out, so no close handler runs (Form1's deletion of
// "B2F.dat" in particular). Tests pass their own function to observe the end
// without leaving the test program.

#include <QCoreApplication>

#include <functional>

namespace tessaray {

using EndProgram = std::function<void(int exitStatus)>;

inline EndProgram leaveEventLoop() {
    return [](int exitStatus) { QCoreApplication::exit(exitStatus); };
}

}  // namespace tessaray
