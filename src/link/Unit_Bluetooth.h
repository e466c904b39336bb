#pragma once
// The Bluetooth transport: an RFCOMM client socket to the serial-port service of the ECU's
// Bluetooth module, and the local adapter's availability and pairing state, on QtBluetooth.
// Scanning and pairing are not part of this unit yet.

#include "link/Connection.h"

#include <QMetaObject>
#include <memory>
#include <vector>

class QBluetoothLocalDevice;
class QBluetoothSocket;

namespace qn {

// Service UUID of the Serial Port Profile.
inline constexpr char SppServiceUuid[] = "{00001101-0000-1000-8000-00805F9B34FB}";

class RfcommSocket final : public BluetoothSocket {
public:
    explicit RfcommSocket(const QString &address);
    ~RfcommSocket() override;

    QString address() const override { return m_address; }
    void connectSocket(std::function<void(bool connected)> done) override;
    bool isConnected() const override;
    bool isConnecting() const override { return m_connecting; }

    // Send: false when the socket is not connected or did not take every byte.
    bool write(const QByteArray &bytes) override;
    // Bluetooth send failures are judged by write() alone.
    bool inError() const override { return false; }
    // Whatever the socket has received; false once the connection is gone.
    bool poll(QByteArray &out) override;
    void close() override;

private:
    void finish(bool connected);

    QString m_address;
    std::unique_ptr<QBluetoothSocket> m_socket;
    std::function<void(bool)> m_done;
    bool m_connecting = false;
    std::vector<QMetaObject::Connection> m_links;
};

// The local adapter, obtained at first use. Without an adapter, or with its radio off, nothing is
// available, nothing is paired and no socket is created.
class PlatformBluetooth final : public BluetoothAccess {
public:
    PlatformBluetooth();
    ~PlatformBluetooth() override;

    bool available() override;
    bool isPaired(const QString &address) override;
    std::unique_ptr<BluetoothSocket> createSocket(const QString &address) override;

private:
    QBluetoothLocalDevice &local();
    std::unique_ptr<QBluetoothLocalDevice> m_local;
};

} // namespace qn
