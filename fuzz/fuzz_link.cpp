// Any byte stream from the ECU side: the link runs its connect script and polls while the input
// arrives in chunks between steps of virtual time. Covers the receive buffer, validation, every
// decoder and the script engine's reaction to whatever the answers announce.
#include "config/Config_Record.h"
#include "data/LiveValues.h"
#include "link/DeviceLink.h"
#include "link/LinkHooks.h"
#include "ui/STS_Record.h"

#include <cstddef>
#include <cstdint>

namespace {

struct NullTransport : qn::Transport {
    bool write(const QByteArray &) override { return true; }
    bool inError() const override { return false; }
};

struct Messages : qn::MessageSink {
    int kind = 0;
    void showMessage(int k, const QString &, qn::MsgColour) override { kind = k; }
    int shownKind() const override { return kind; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    qn::VirtualClock clock;
    qn::STS_Record sts;
    sts.CON_Type = false; // bytes pushed by a serial port
    qn::Config_Record config;
    qn::LiveTable live;
    Messages messages;
    qn::DeviceLink link({clock, sts, config, live, [](uint16_t r) { return int16_t(r); }, &messages, nullptr});
    auto transport = std::make_unique<NullTransport>();
    NullTransport *t = transport.get();
    link.attach(std::move(transport));
    link.startConnectScript();
    size_t pos = 1;
    while (pos < size && link.transport()) {
        // Chunk length and pause from the input itself.
        const size_t n = std::min<size_t>(size - pos, 1 + data[pos] % 64);
        clock.advance(data[pos] % 128);
        ++pos;
        const QByteArray chunk(reinterpret_cast<const char *>(data + pos), qsizetype(std::min(n, size - pos)));
        pos += size_t(chunk.size());
        if (t->onRead)
            t->onRead(chunk);
    }
    clock.advance(5000);
    return 0;
}
