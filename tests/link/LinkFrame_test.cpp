#include "link/LinkFrame.h"
#include "LinkTestSupport.h"

#include <gtest/gtest.h>

using namespace qn;
using qn::test::bytes;

namespace {

QByteArray built(uint8_t cmd, std::initializer_list<uint8_t> params)
{
    LinkFrame f;
    f.build(cmd, params, 3);
    return f.requestBytes();
}

LinkFrame sentAndReceived(const QByteArray &request, uint8_t expected, const QByteArray &answer, bool bt = false)
{
    LinkFrame f;
    f.build(uint8_t(request[1]), {}, expected);
    for (int i = 0; i < request.size(); ++i)
        f.request[i + 1] = uint8_t(request[i]);
    f.length = uint8_t(request.size());
    f.markSent();
    f.append(answer, bt);
    return f;
}

} // namespace

TEST(LinkFrame, WorkedRequestFrames)
{
    struct Case {
        uint8_t cmd;
        std::initializer_list<uint8_t> params;
        QByteArray wire;
    } cases[] = {
        {Cmd::IdentityLength, {0x21, 0x21}, bytes({0x69, 0x21, 0x21, 0x21, 0xCC})},
        {Cmd::Identity, {0x22, 0x22}, bytes({0x69, 0x22, 0x22, 0x22, 0xCF})},
        {Cmd::LiveData, {0x26, 0x26}, bytes({0x69, 0x26, 0x26, 0x26, 0xDB})},
        {Cmd::Configuration, {0x27, 0x27}, bytes({0x69, 0x27, 0x27, 0x27, 0xDE})},
        {Cmd::CarNumber, {0x08, 0x08}, bytes({0x69, 0x2D, 0x08, 0x08, 0xA6})},
        {Cmd::WriteEnable, {0x25, 0x06}, bytes({0x69, 0x25, 0x25, 0x06, 0xB9})},
        {Cmd::FuelMode, {0x00, 0x04}, bytes({0x69, 0x23, 0x00, 0x04, 0x90})},
        {Cmd::ConfigWrite, {68, 0x40, 0x01}, bytes({0x69, 0x2F, 68, 0x40, 0x01, 0x1D})},
    };
    for (const auto &c : cases)
        EXPECT_EQ(built(c.cmd, c.params).toHex(' '), c.wire.toHex(' ')) << int(c.cmd);
}

TEST(LinkFrame, Validation)
{
    const QByteArray fuel = bytes({0x69, 0x23, 0x00, 0x04, 0x90});
    struct Case {
        const char *what;
        QByteArray answer;
        bool bt;
        bool valid;
    } cases[] = {
        {"echo and checksum", bytes({0x69, 0x23, 0x8C}), false, true},
        {"checksum off by one", bytes({0x69, 0x23, 0x8D}), false, false},
        {"foreign start byte", bytes({0x68, 0x23, 0x8B}), false, false},
        {"other command", bytes({0x69, 0x24, 0x8D}), false, false},
        {"extra bytes after the answer", bytes({0x69, 0x23, 0x8C, 0x11, 0x22}), false, true},
        {"short answer", bytes({0x69, 0x23}), false, false},
        {"bluetooth filter drops leading 0F", bytes({0x0F, 0x0F, 0x69, 0x23, 0x8C}), true, true},
        {"bluetooth keeps a later 0F", bytes({0x69, 0x0F, 0x23, 0x8C}), true, false},
        {"serial keeps leading 0F", bytes({0x0F, 0x69, 0x23, 0x8C}), false, false},
    };
    for (const auto &c : cases) {
        LinkFrame f = sentAndReceived(fuel, 3, c.answer, c.bt);
        EXPECT_EQ(f.validate(), c.valid) << c.what;
    }
    LinkFrame f = sentAndReceived(fuel, 3, bytes({0x0F, 0x0F, 0x69, 0x23, 0x8C}), true);
    EXPECT_EQ(f.rxCount, 3);
}

TEST(LinkFrame, WrappedExpectedLengthNeverValidates)
{
    // A live-data length of 253 wraps the 8-bit expected length to 0; 254 and 255 give 1 and 2.
    for (int len : {253, 254, 255}) {
        const uint8_t expected = uint8_t(len + 3);
        LinkFrame f = sentAndReceived(bytes({0x69, 0x26, 0x26, 0x26, 0xDB}), expected,
                                      bytes({0x69, 0x26, 0x8F}));
        EXPECT_TRUE(f.complete());
        EXPECT_FALSE(f.validate()) << len;
    }
}

TEST(LinkFrame, ReceiveBufferKeepsAtMost255Bytes)
{
    LinkFrame f;
    QByteArray flood(400, char(0x55));
    f.append(flood, false);
    f.append(flood, false);
    EXPECT_EQ(f.rxCount, MaxStoredBytes);
    EXPECT_EQ(f.rx[255], 0x55);
    EXPECT_EQ(f.rx[256], 0); // never written
}
