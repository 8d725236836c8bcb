#include "run/process_signals.h"

#include <csignal>

namespace corvane {

void ignoreSignalsThatWouldLoseARun() {
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace corvane
