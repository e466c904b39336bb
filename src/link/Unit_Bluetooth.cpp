#include "link/Unit_Bluetooth.h"

#include <QBluetoothAddress>
#include <QBluetoothLocalDevice>
#include <QBluetoothSocket>
#include <QBluetoothUuid>

namespace qn {

// ---- RfcommSocket ----

RfcommSocket::RfcommSocket(const QString &address)
    : m_address(address), m_socket(std::make_unique<QBluetoothSocket>(QBluetoothServiceInfo::RfcommProtocol))
{
    // The serial-port service of the module is opened without link security.
    m_socket->setPreferredSecurityFlags(QBluetooth::Security::NoSecurity);
}

RfcommSocket::~RfcommSocket() { close(); }

bool RfcommSocket::isConnected() const
{
    return m_socket && m_socket->state() == QBluetoothSocket::SocketState::ConnectedState;
}

void RfcommSocket::connectSocket(std::function<void(bool connected)> done)
{
    if (!m_socket) {
        if (done)
            done(false);
        return;
    }
    const QBluetoothAddress device(m_address);
    if (device.isNull()) {
        if (done)
            done(false);
        return;
    }
    m_done = std::move(done);
    m_connecting = true;
    QBluetoothSocket *s = m_socket.get();
    m_links.push_back(QObject::connect(s, &QBluetoothSocket::connected, s, [this] { finish(true); }));
    m_links.push_back(QObject::connect(s, &QBluetoothSocket::errorOccurred, s,
                                       [this](QBluetoothSocket::SocketError) { finish(false); }));
    m_links.push_back(QObject::connect(s, &QBluetoothSocket::stateChanged, s, [this](QBluetoothSocket::SocketState st) {
        if (st == QBluetoothSocket::SocketState::UnconnectedState)
            finish(false);
    }));
    s->connectToService(device, QBluetoothUuid(QString::fromLatin1(SppServiceUuid)), QIODevice::ReadWrite);
}

void RfcommSocket::finish(bool connected)
{
    if (!m_connecting)
        return;
    m_connecting = false;
    // The callback may release this socket; nothing of it is touched afterwards.
    std::function<void(bool)> done = std::move(m_done);
    m_done = nullptr;
    if (done)
        done(connected);
}

bool RfcommSocket::write(const QByteArray &bytes)
{
    if (!isConnected())
        return false;
    return m_socket->write(bytes) == bytes.size();
}

bool RfcommSocket::poll(QByteArray &out)
{
    out.clear();
    if (!m_socket)
        return false;
    // Bytes that arrived before the connection dropped still count.
    if (m_socket->bytesAvailable() > 0) {
        out = m_socket->readAll();
        return true;
    }
    return isConnected();
}

void RfcommSocket::close()
{
    onRead = nullptr;
    m_done = nullptr;
    m_connecting = false;
    for (const QMetaObject::Connection &c : m_links)
        QObject::disconnect(c);
    m_links.clear();
    if (m_socket && m_socket->state() != QBluetoothSocket::SocketState::UnconnectedState)
        m_socket->abort();
}

// ---- PlatformBluetooth ----

PlatformBluetooth::PlatformBluetooth() = default;
PlatformBluetooth::~PlatformBluetooth() = default;

QBluetoothLocalDevice &PlatformBluetooth::local()
{
    if (!m_local)
        m_local = std::make_unique<QBluetoothLocalDevice>();
    return *m_local;
}

bool PlatformBluetooth::available()
{
    QBluetoothLocalDevice &dev = local();
    return dev.isValid() && dev.hostMode() != QBluetoothLocalDevice::HostPoweredOff;
}

bool PlatformBluetooth::isPaired(const QString &address)
{
    const QBluetoothAddress device(address);
    if (device.isNull() || !available())
        return false;
    return local().pairingStatus(device) != QBluetoothLocalDevice::Unpaired;
}

std::unique_ptr<BluetoothSocket> PlatformBluetooth::createSocket(const QString &address)
{
    if (QBluetoothAddress(address).isNull() || !available())
        return nullptr;
    return std::make_unique<RfcommSocket>(address);
}

} // namespace qn
