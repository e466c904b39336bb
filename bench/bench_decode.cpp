// What: validating and decoding one live-data answer, the work the link does for every answer
// (checksum and echo check, every conversion, the fuel calculator, three temperature lookups).
// Input: live-data answers of the simulated ECU over a drive cycle, firmware 4.35, with the
// shipped temperature table. Target: under 2 us per answer.

#include "EcuModel.h"
#include "EcuResponder.h"
#include "config/Config_Record.h"
#include "data/LiveValues.h"
#include "data/TemperatureTable.h"
#include "link/AnswerDecoder.h"
#include "link/EcuState.h"
#include "link/LinkFrame.h"
#include "ui/STS_Record.h"

#include <benchmark/benchmark.h>
#include <vector>

namespace {

std::vector<QByteArray> liveAnswers(int n)
{
    qn::sim::EcuModel model;
    qn::sim::EcuResponder responder(model);
    std::vector<QByteArray> out;
    const QByteArray live = QByteArray::fromHex("69262626DB");
    for (int i = 0; i < n; ++i) {
        model.advance(250);
        out.push_back(responder.feed(live));
    }
    return out;
}

void BM_ValidateAndDecodeLiveAnswer(benchmark::State &state)
{
    qn::STS_Record sts;
    qn::Config_Record config;
    qn::LiveTable live;
    qn::EcuState ecu;
    ecu.firmware = 435;
    config.RPM_Source = 30000 * 1000;
    config.PS_PressVap_Fac = 1200;
    config.PS_PressColl_Fac = 1200;
    qn::TemperatureTable temperatures(QStringLiteral(QN_RESOURCES "/qndiag.dat"));
    qn::AnswerDecoder decoder(config, live, sts, ecu,
                              [&](uint16_t r) { return temperatures.lookup(r); }, nullptr, nullptr);
    const auto answers = liveAnswers(512);
    qn::LinkFrame frame;
    frame.build(qn::Cmd::LiveData, {0x26, 0x26}, 69);
    frame.markSent();
    size_t i = 0;
    int64_t valid = 0;
    for (auto _ : state) {
        const QByteArray &a = answers[i++ % answers.size()];
        frame.rxCount = 0;
        frame.append(a, false);
        if (frame.validate()) {
            decoder.dispatch(&frame.rx[1], frame.expected, true);
            ++valid;
        }
        benchmark::DoNotOptimize(live.value(qn::LV_RPM));
    }
    if (valid != int64_t(state.iterations()))
        state.SkipWithError("an answer of the simulated ECU did not validate");
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_ValidateAndDecodeLiveAnswer);

} // namespace

BENCHMARK_MAIN();
