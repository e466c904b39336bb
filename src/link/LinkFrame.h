#pragma once
// The wire format of one exchange with the ECU: the request being built, the copy of what was last
// sent, the receive buffer and the expected answer length. Bytes are numbered from 1 as on the
// wire; index 0 of each buffer is unused.

#include <QByteArray>
#include <array>
#include <cstdint>

namespace qn {

// Command bytes of the requests (answers echo them).
namespace Cmd {
constexpr uint8_t IdentityLength = 0x21; // "!"
constexpr uint8_t Identity = 0x22;       // '"'
constexpr uint8_t FuelMode = 0x23;       // "#"
constexpr uint8_t LevelSensor = 0x24;    // "$"
constexpr uint8_t WriteEnable = 0x25;    // "%"
constexpr uint8_t LiveData = 0x26;       // "&"
constexpr uint8_t Configuration = 0x27;  // "'"
constexpr uint8_t CarNumber = 0x2D;      // "-"
constexpr uint8_t ConfigWrite = 0x2F;    // "/"
} // namespace Cmd

constexpr uint8_t FrameStart = 0x69;
// Answers never exceed 255 bytes; the receive buffer stores at most this many of them.
constexpr int MaxStoredBytes = 255;

struct LinkFrame {
    std::array<uint8_t, 257> request{}; // bytes 1..256
    uint8_t length = 0;                 // L: 5, or 6 for the configuration write
    std::array<uint8_t, 255> lastSent{}; // bytes 1..254
    std::array<uint8_t, 257> rx{};       // bytes 1..256
    uint8_t rxCount = 0;
    uint8_t expected = 0; // A

    // Writes bytes 1..L-1 of a request (start byte, command, parameters), sets L and A, then the
    // checksum into byte L. The caller hands the request to the poll cycle.
    void build(uint8_t command, std::initializer_list<uint8_t> params, uint8_t answerLength);
    // Byte L = 8-bit sum of bytes 1..L-1.
    void finish();

    QByteArray requestBytes() const;
    // The send step: copy bytes 1..L to the last-sent request and empty the receive buffer.
    void markSent();

    // Appends received bytes in arrival order. With the Bluetooth filter, a 0x0F arriving while
    // nothing of the answer is stored is dropped. Bytes beyond MaxStoredBytes are discarded.
    void append(const uint8_t *data, int n, bool bluetoothFilter);
    void append(const QByteArray &bytes, bool bluetoothFilter)
    {
        append(reinterpret_cast<const uint8_t *>(bytes.constData()), int(bytes.size()), bluetoothFilter);
    }
    bool complete() const { return rxCount >= expected; }

    // Echo of the first two request bytes and the checksum over the first A-1 bytes. An expected
    // length below 3 (a wrapped announced length) can never validate.
    bool validate() const;
    uint8_t lastCommand() const { return lastSent[2]; }
};

uint8_t checksum(const uint8_t *bytes, int n);

} // namespace qn
