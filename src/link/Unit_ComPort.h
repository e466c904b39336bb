#pragma once
// The serial transport: the ECU on a serial port at 9600 baud, 8 data bits, no parity, one stop
// bit. QSerialPort's readyRead on the main thread stands in for the reading thread's synchronous
// hand-over, so received bytes reach the link on the main thread in arrival order.

#include "link/Transport.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <stdexcept>

class QSerialPort;
class QSocketNotifier;
class QTimer;

namespace qn {

class MessageSink;

// The unit-wide error code, as the main window reads it at every send and hand-over.
namespace ComPortCode {
constexpr uint8_t Ok = 0;          // opened, or port destroyed
constexpr uint8_t OpenFailed = 1;  // device or line parameters could not be set up
constexpr uint8_t EventFailed = 3; // the reader could not be set up
constexpr uint8_t WaitFailed = 4;  // waiting for port events failed
constexpr uint8_t StatusFailed = 5;
constexpr uint8_t WriteFailed = 6;
constexpr uint8_t ReadFailed = 7;  // includes a device that disappeared while open
} // namespace ComPortCode

uint8_t comPortErrorCode();
void setComPortErrorCode(uint8_t code);

class EComPortError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TComPort final : public QObject, public Transport {
    Q_OBJECT
public:
    // Opens the device for the platform port name (see devicePath) at the given rate, 8N1.
    // Failures leave a non-zero unit error code.
    TComPort(const QString &portName, int baudRate);
    ~TComPort() override;

    QString PortName() const { return m_portName; }
    bool isOpen() const;

    bool write(const QByteArray &bytes) override;
    bool inError() const override { return comPortErrorCode() != ComPortCode::Ok; }
    // Drops stray input and sets the terminal's wake-up threshold (VMIN) to the answer length:
    // at 9600 baud the bytes of an answer arrive a millisecond apart, and waking for each of them
    // would cost far more than decoding the answer.
    void beginExchange(int answerLength) override;
    void close() override;

private:
    void readAvailable();
    void setWakeThreshold(int bytes);
    void quietWait(int requestBytes);
    void endQuietWait();

    QString m_portName;
    std::unique_ptr<QSerialPort> m_port;
    int m_baudRate;
    int m_awaited = 0; // answer bytes not yet received in this exchange
    int m_threshold = -1;
    QSocketNotifier *m_readNotifier = nullptr; // QSerialPort's own, when it can be found
    QTimer *m_quiet = nullptr;
};

// The device path for a configured port: an absolute path is used as it is, a bare name is looked
// up under /dev, and a Windows-style name COMn (the settings' default "COM1") maps to ttyS(n-1),
// the same first serial port.
QString devicePath(const QString &conPort);

// The present serial ports, by device path, without Bluetooth virtual ports (rfcomm*).
QStringList EnumeratePorts();
// The configured port is present: listed by the enumerator, or an existing character device (such
// as the simulator's pseudo-terminal or a link to it).
bool portPresent(const QString &conPort);

// Opens the link port for CON_Port at 9600 baud. On failure shows "MSG_ERR_ComPort" and returns
// nothing.
std::unique_ptr<TComPort> openLinkPort(const QString &conPort, MessageSink *messages);

} // namespace qn
