#pragma once
// Small pieces shared by the link tests: a transport that records what is written and lets the
// test hand answers back, a message sink that records messages, and answer frame builders.

#include "link/LinkFrame.h"
#include "link/LinkHooks.h"
#include "link/Transport.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace qn::test {

struct FakeTransport : Transport {
    std::vector<QByteArray> *writes = nullptr; // outlives the transport (the link frees it)
    bool *closed = nullptr;
    bool failWrites = false;
    bool error = false;
    QByteArray ready;      // what poll() hands over next (Bluetooth)
    bool pollFails = false;

    bool write(const QByteArray &bytes) override
    {
        if (failWrites)
            return false;
        if (writes)
            writes->push_back(bytes);
        return true;
    }
    bool inError() const override { return error; }
    bool poll(QByteArray &out) override
    {
        if (pollFails)
            return false;
        out = ready;
        ready.clear();
        return true;
    }
    void close() override
    {
        if (closed)
            *closed = true;
    }
    void deliver(const QByteArray &bytes)
    {
        if (onRead)
            onRead(bytes);
    }
};

struct RecordingMessages : MessageSink {
    struct Msg {
        int kind;
        QString key;
        MsgColour colour;
    };
    std::vector<Msg> shown;
    int current = 0;
    void showMessage(int kind, const QString &key, MsgColour colour) override
    {
        shown.push_back({kind, key, colour});
        current = kind;
    }
    int shownKind() const override { return current; }
    int count(int kind) const
    {
        int n = 0;
        for (const auto &m : shown)
            n += m.kind == kind;
        return n;
    }
};

// 69, command, payload..., checksum
inline QByteArray answerFrame(uint8_t command, const QByteArray &payload = {})
{
    QByteArray f;
    f.append(char(FrameStart));
    f.append(char(command));
    f.append(payload);
    f.append(char(checksum(reinterpret_cast<const uint8_t *>(f.constData()), int(f.size()))));
    return f;
}

inline QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray b;
    for (int v : list)
        b.append(char(uint8_t(v)));
    return b;
}

// Identity payload of 39 bytes: protocol, 30 characters, two 24-bit counters, live-data length and
// configuration length.
inline QByteArray identityPayload(uint8_t protocol = 14, uint8_t liveLength = 66, uint8_t configLength = 139,
                                  const QByteArray &text = "QN-Sim ECU      2026-11-014.35")
{
    QByteArray p;
    p.append(char(protocol));
    p.append(text.leftJustified(30, ' ', true));
    p.append(bytes({0, 1, 44, 0, 0, 69}));
    p.append(char(liveLength));
    p.append(char(configLength));
    return p;
}

} // namespace qn::test
