#pragma once
// What the device link asks of the rest of the program. The window implements these with its
// message bar, status strip and dashboard; the headless monitor prints; tests record the calls.

#include <QString>
#include <cstdint>

namespace qn {

// Colour roles of the message bar; the bar maps them to the general colours of the settings, except
// PureRed, which the serial-port error uses whatever the settings say.
enum class MsgColour { Action, Complete, Warning, Error, PureRed };

// Message kinds the link shows.
namespace MsgKind {
constexpr int ErrorWithOk = 5; // stays until its OK button: serial-port and file errors
constexpr int ComPortError = ErrorWithOk;
constexpr int Notice = 7; // an OK button and a 2 s countdown
constexpr int OldVersion = 20;
constexpr int CloseProgram = 21;
constexpr int ConnectStart = 22;
constexpr int ConnectInterrupt = 23;
constexpr int ConnectFailed = 24;
} // namespace MsgKind

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // Shows the text key (translated) with a message kind in a colour role.
    virtual void showMessage(int kind, const QString &key, MsgColour colour) = 0;
    // The kind of the message on the bar now, 0 when none.
    virtual int shownKind() const = 0;
};

// Called by the answer decoder after a live-data answer, in this order, and after the other answers.
class DecoderHooks {
public:
    virtual ~DecoderHooks() = default;
    virtual void gasLevel() {}
    virtual void remoteControl() {}
    virtual void dashboard() {}
    virtual void statusIndicators(uint8_t statusByte) {}
    virtual void oscilloscope() {}
    // Car-number answer while connecting: the identity line goes to the indicator area.
    virtual void identityLine() {}
    // After every configuration answer: configuration-dependent displays.
    virtual void configurationRefreshed() {}
};

} // namespace qn
