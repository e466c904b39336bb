#include "link/Unit_SerialAccess.h"

#include "link/Unit_ComPort.h"

namespace qn {

QStringList SerialPortAccess::ports() { return EnumeratePorts(); }

bool SerialPortAccess::present(const QString &conPort) { return portPresent(conPort); }

std::unique_ptr<Transport> SerialPortAccess::open(const QString &conPort, MessageSink *messages)
{
    return openLinkPort(conPort, messages);
}

QString SerialPortAccess::nameOf(const Transport &transport) const
{
    const auto *port = dynamic_cast<const TComPort *>(&transport);
    return port ? port->PortName() : QString();
}

} // namespace qn
