#pragma once
// SIGINT and SIGTERM turned into a call on the event loop, so that a program ends through its
// normal path (link stopped, files written) instead of being cut off inside a handler.

#include <QObject>
#include <functional>

namespace qn {

// Installs handlers for SIGINT and SIGTERM; each signal later runs onSignal on context's thread.
// Returns false when the signals could not be routed (the default handlers then stay).
bool routeTerminationSignals(QObject *context, std::function<void()> onSignal);

} // namespace qn
