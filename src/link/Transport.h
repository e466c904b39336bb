#pragma once
// The byte transport under the device link: the serial port, the Bluetooth socket, or (in tests
// and benchmarks) a loopback to the simulated ECU. Received bytes are handed to onRead on the main
// thread, one chunk at a time, in arrival order.

#include <QByteArray>
#include <functional>

namespace qn {

class Transport {
public:
    virtual ~Transport() = default;
    // Writes all bytes in one write. Returns false when the write could not be started (the send
    // step counts it as failed).
    virtual bool write(const QByteArray &bytes) = 0;
    // The transport reports an error state (the serial unit's non-zero error code).
    virtual bool inError() const = 0;
    // Stream transports that are polled (the Bluetooth socket) hand over what they have ready;
    // false means the receive operation failed. Transports that push bytes through onRead keep
    // the default.
    virtual bool poll(QByteArray &out)
    {
        out.clear();
        return true;
    }
    // Called just before a request is written: bytes still waiting from before are stray (the
    // answer to the new request starts afresh), and answerLength bytes are expected. A serial port
    // uses the length to be woken once per answer instead of once per byte.
    virtual void beginExchange(int answerLength) {}
    // Ends the connection; no onRead call follows.
    virtual void close() {}

    std::function<void(const QByteArray &)> onRead;
};

} // namespace qn
