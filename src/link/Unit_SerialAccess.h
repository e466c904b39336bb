#pragma once
// The serial ports of this machine for the connect sequence: enumeration, presence of the
// configured port and opening the link port, on top of Unit_ComPort.

#include "link/Connection.h"

namespace qn {

class SerialPortAccess final : public PortAccess {
public:
    QStringList ports() override;
    bool present(const QString &conPort) override;
    std::unique_ptr<Transport> open(const QString &conPort, MessageSink *messages) override;
    // The configured name a TComPort was opened with; empty for any other transport.
    QString nameOf(const Transport &transport) const override;
};

} // namespace qn
