#include "link/Unit_ComPort.h"

#include "link/LinkHooks.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <atomic>
#include <sys/stat.h>

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
    : m_portName(portName), m_port(std::make_unique<QSerialPort>())
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
    QObject::connect(m_port.get(), &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
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
    return true;
}

void TComPort::readAvailable()
{
    const QByteArray bytes = m_port->readAll();
    if (bytes.isEmpty())
        return;
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
