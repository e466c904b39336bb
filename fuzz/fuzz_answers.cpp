// Feeds arbitrary ECU answers to the answer decoder. The first input byte picks the command byte,
// the rest is the answer (up to 255 bytes, the longest an ECU can announce), held in a buffer of
// exactly that size so that any read past the announced length is caught. The configuration and
// settings records are filled from the input too, so that every calibration and branch is reached
// with hostile values. Each answer is decoded both while connecting and while connected.

#include "config/Config_Record.h"
#include "data/LiveValues.h"
#include "link/AnswerDecoder.h"
#include "link/EcuState.h"
#include "link/LinkHooks.h"
#include "ui/STS_Record.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

struct QuietSink : qn::MessageSink {
    void showMessage(int, const QString &, qn::MsgColour) override {}
    int shownKind() const override { return 0; }
};

// Reads the input cyclically, from its end backwards, to give the records their contents.
class Filler {
public:
    Filler(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}
    uint8_t u8()
    {
        if (m_size == 0)
            return 0;
        const uint8_t b = m_data[m_size - 1 - (m_pos % m_size)];
        ++m_pos;
        return b;
    }
    uint16_t u16()
    {
        const uint16_t low = u8();
        return uint16_t(low | u8() << 8);
    }
    int32_t i32()
    {
        const uint32_t low = u16();
        return int32_t(low | uint32_t(u16()) << 16);
    }
    // Mostly small values as an ECU would send, now and then any 32-bit value.
    int32_t value() { return (u8() & 0x07) == 0 ? i32() : int32_t(u16()); }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_pos = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;

    static const uint8_t commands[] = {qn::Cmd::IdentityLength, qn::Cmd::Identity,
                                       qn::Cmd::FuelMode,       qn::Cmd::LevelSensor,
                                       qn::Cmd::WriteEnable,    qn::Cmd::LiveData,
                                       qn::Cmd::Configuration,  qn::Cmd::CarNumber,
                                       qn::Cmd::ConfigWrite};
    constexpr size_t commandCount = sizeof(commands) / sizeof(commands[0]);
    const uint8_t pick = data[0];
    // Most inputs reach a decoder; the top of the range tries any command byte.
    const uint8_t command = pick < 240 ? commands[pick % commandCount] : uint8_t(pick * 37);

    const uint8_t *rest = data + 1;
    const size_t length = std::min<size_t>(size - 1, 255);
    std::vector<uint8_t> answer(rest, rest + length);
    if (length > 1)
        answer[1] = command;

    Filler fill(rest, size - 1);
    qn::Config_Record config;
    config.Pressure_1_Bar = fill.value();
    config.Switch_byte_1 = fill.u8();
    config.Switch_byte_3 = fill.u8();
    config.RPM_Source = int32_t(int64_t(fill.value()) * ((fill.u8() & 1) ? 1000 : 1));
    config.RPM_Div = fill.u8();
    config.GLS_Type = fill.u8();
    config.Cut_Off_Flags = fill.u8();
    config.Gas_TPS_Factor = fill.u8() & 0x07;
    config.CNP_Diesel_M4_In = fill.u8() & 0x07;
    config.PS_PressVap_Fac = fill.value();
    config.PS_PressVap_Offset = int32_t(int64_t(fill.value()) - 32768);
    config.PS_PressColl_Fac = fill.value();
    config.PS_PressColl_Offset = int32_t(int64_t(fill.value()) - 32768);

    qn::STS_Record settings;
    settings.FCC_Consump = fill.value();
    settings.FCC_Speed = fill.value();
    settings.FCC_RPM = fill.value();
    settings.FCC_CostD = fill.value();
    settings.FCC_CostG = fill.value();

    qn::EcuState state;
    state.firmware = uint16_t(400 + fill.u8() % 128); // both pressure calibrations

    qn::LiveTable live;
    live.setValue(qn::LV_Speed, fill.value());
    QuietSink sink;
    qn::DecoderHooks hooks;
    qn::AnswerDecoder decoder(
        config, live, settings, state,
        [](uint16_t reading) { return int16_t(int(reading & 0x3FF) - 400); }, &sink, &hooks);

    decoder.dispatch(answer.data(), int(length), false);
    decoder.dispatch(answer.data(), int(length), true);
    return 0;
}
