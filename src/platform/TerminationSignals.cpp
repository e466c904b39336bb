#include "platform/TerminationSignals.h"

#include <QSocketNotifier>
#include <csignal>
#include <unistd.h>

namespace qn {

namespace {
int g_pipe[2] = {-1, -1};

void onSignal(int)
{
    // Only async-signal-safe work here: wake the event loop.
    const char c = 1;
    [[maybe_unused]] auto n = ::write(g_pipe[1], &c, 1);
}
} // namespace

bool routeTerminationSignals(QObject *context, std::function<void()> handler)
{
    if (g_pipe[0] < 0 && ::pipe(g_pipe) != 0)
        return false;
    auto *notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [handler = std::move(handler)] {
        char c;
        [[maybe_unused]] auto n = ::read(g_pipe[0], &c, 1);
        handler();
    });
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    return true;
}

} // namespace qn
