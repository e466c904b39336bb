#include "link/Unit_ComPort.h"

#include "link/LinkHooks.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QSocketNotifier>
#include <QTimer>
#include <atomic>
#include <sys/stat.h>
#include <termios.h>

namespace qn {

namespace {
std::atomic<uint8_t> g_errorCode{ComPortCode::Ok};
}

uint8_t comPortErrorCode() { return g_errorCode.load(); }
void setComPortErrorCode(uint8_t code) { g_errorCode.store(code); }

QString devicePath(const QString &conPort)
{
    const QString name = conPort.trimmed();
    static const QRegularExpression com(QStringLiteral("^COM(\\d+)$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const auto m = com.match(name);
    if (m.hasMatch())
        return QStringLiteral("/dev/ttyS%1").arg(qMax(0, m.captured(1).toInt() - 1));
    if (name.startsWith(QLatin1Char('/')))
        return name;
    return QStringLiteral("/dev/") + name;
}

static bool isCharacterDevice(const QString &path)
{
    struct stat st {};
    // stat follows links, so a symlink to the simulator's pseudo-terminal counts.
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISCHR(st.st_mode);
}

QStringList EnumeratePorts()
{
    QStringList out;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        if (info.portName().startsWith(QLatin1String("rfcomm")))
            continue;
        out << info.systemLocation();
    }
    return out;
}

bool portPresent(const QString &conPort)
{
    const QString path = devicePath(conPort);
    return EnumeratePorts().contains(path) || isCharacterDevice(path);
}

TComPort::TComPort(const QString &portName, int baudRate)
    : m_portName(portName), m_port(std::make_unique<QSerialPort>()), m_baudRate(baudRate)
{
    m_port->setPortName(devicePath(portName));
    if (!m_port->open(QIODevice::ReadWrite)) {
        setComPortErrorCode(ComPortCode::OpenFailed);
        return;
    }
    setComPortErrorCode(ComPortCode::Ok);
    const bool lineOk = m_port->setBaudRate(baudRate) && m_port->setDataBits(QSerialPort::Data8) &&
                        m_port->setParity(QSerialPort::NoParity) &&
                        m_port->setStopBits(QSerialPort::OneStop) &&
                        m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (!lineOk || !m_port->clear(QSerialPort::AllDirections)) {
        setComPortErrorCode(ComPortCode::OpenFailed);
        m_port->close();
        return;
    }
    QObject::connect(m_port.get(), &QSerialPort::readyRead, this, &TComPort::readAvailable);
    for (QSocketNotifier *n : m_port->findChildren<QSocketNotifier *>())
        if (n->type() == QSocketNotifier::Read)
            m_readNotifier = n;
    m_quiet = new QTimer(this);
    m_quiet->setSingleShot(true);
    m_quiet->setTimerType(Qt::PreciseTimer);
    QObject::connect(m_quiet, &QTimer::timeout, this, &TComPort::endQuietWait);
    QObject::connect(m_port.get(), &QSerialPort::errorOccurred, this, [](QSerialPort::SerialPortError e) {
        switch (e) {
        case QSerialPort::NoError:
        case QSerialPort::TimeoutError:
            return;
        case QSerialPort::WriteError:
            setComPortErrorCode(ComPortCode::WriteFailed);
            break;
        case QSerialPort::ReadError:
        case QSerialPort::ResourceError:
            setComPortErrorCode(ComPortCode::ReadFailed);
            break;
        default:
            setComPortErrorCode(ComPortCode::StatusFailed);
            break;
        }
    });
}

TComPort::~TComPort()
{
    close();
    setComPortErrorCode(ComPortCode::Ok);
}

bool TComPort::isOpen() const { return m_port && m_port->isOpen(); }

void TComPort::close()
{
    onRead = nullptr;
    if (m_quiet)
        m_quiet->stop();
    if (m_port && m_port->isOpen()) {
        m_port->disconnect(this);
        m_port->close();
    }
}

bool TComPort::write(const QByteArray &bytes)
{
    if (!isOpen() || m_port->write(bytes) != bytes.size()) {
        setComPortErrorCode(ComPortCode::WriteFailed);
        return false;
    }
    // Hand the request to the driver now rather than from the next event-loop pass: the request
    // goes out without delay and the loop is not woken once more per request.
    m_port->flush();
    quietWait(int(bytes.size()));
    return true;
}

void TComPort::beginExchange(int answerLength)
{
    if (!isOpen())
        return;
    m_port->clear(QSerialPort::Input);
    m_awaited = answerLength;
    setWakeThreshold(m_awaited);
}

void TComPort::setWakeThreshold(int bytes)
{
    // With VTIME 0, the terminal reports the port readable only once VMIN bytes are waiting. An
    // answer that comes short is then left unread until the answer wait runs out, exactly as an
    // answer that never completes would be.
    const int wanted = qBound(1, bytes, 255);
    if (wanted == m_threshold)
        return;
    const int fd = int(m_port->handle());
    termios tio {};
    if (fd < 0 || ::tcgetattr(fd, &tio) != 0)
        return;
    tio.c_cc[VMIN] = cc_t(wanted);
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &tio) == 0)
        m_threshold = wanted;
}

void TComPort::quietWait(int requestBytes)
{
    // The answer cannot be complete before the request and the answer have crossed the wire (ten
    // bits a byte). Until then the port stays out of the event loop's poll set: a terminal wakes
    // its reader for every byte that arrives, a thousand times a second at 9600 baud, whatever
    // the wake-up threshold says.
    if (!m_readNotifier || m_awaited <= 0 || m_baudRate <= 0)
        return;
    // Rounded up, plus a millisecond for the ECU to turn round, so that one wake-up finds the
    // whole answer.
    const int ms = int((int64_t(requestBytes + m_awaited) * 10 * 1000 + m_baudRate - 1) / m_baudRate) + 1;
    if (ms < 2)
        return;
    m_readNotifier->setEnabled(false);
    m_quiet->start(ms);
}

void TComPort::endQuietWait()
{
    if (m_readNotifier && isOpen())
        m_readNotifier->setEnabled(true);
}

void TComPort::readAvailable()
{
    const QByteArray bytes = m_port->readAll();
    if (bytes.isEmpty())
        return;
    // The driver may hand an answer over in pieces: wait for the rest of it, not for all of it.
    m_awaited = qMax(0, m_awaited - int(bytes.size()));
    setWakeThreshold(m_awaited);
    if (onRead)
        onRead(bytes);
}

std::unique_ptr<TComPort> openLinkPort(const QString &conPort, MessageSink *messages)
{
    auto port = std::make_unique<TComPort>(conPort, 9600);
    if (comPortErrorCode() != ComPortCode::Ok) {
        if (messages)
            messages->showMessage(MsgKind::ComPortError, QStringLiteral("MSG_ERR_ComPort"),
                                  MsgColour::PureRed);
        return nullptr;
    }
    return port;
}

} // namespace qn
