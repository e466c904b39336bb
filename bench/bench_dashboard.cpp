// What: the dashboard with the default layout, all six pages built, one page shown, under the
// offscreen platform.
// Figures: building the dashboard from its layout file (read + create every control + first
// refresh); one refresh after a live-data answer (the refresh walk, texts, bars and every drawn
// image repainted), median over 500 answers of the simulated ECU.
// Targets: build under 100 ms; refresh under 2 ms.

#include "EcuModel.h"
#include "EcuResponder.h"
#include "config/Config_Record.h"
#include "dashboard/DashboardModel.h"
#include "dashboard/DashboardWidget.h"
#include "dashboard/DefaultLayout.h"
#include "dashboard/LayoutFile.h"
#include "dashboard/Refresh.h"
#include "data/LiveValues.h"
#include "link/AnswerDecoder.h"
#include "link/EcuState.h"
#include "ui/ColourText.h"
#include "ui/Language.h"
#include "ui/Settings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QTemporaryDir dir;
    const QString layout = dir.filePath("qndiag.loc");
    qn::Settings settings;
    qn::Paths paths;
    qn::ApplySettingsDefaults(settings, paths, 1280, 800);
    settings.sts.Run_App = true;
    qn::writeDefaultLayout(layout, settings.sts);
    qn::Language language(settings.sts, dir.path(), QStringLiteral("en"));
    language.RefreshReadyStrings();

    QWidget window;
    window.resize(800, 600);
    qn::DashboardWidget::Pages pages{};
    std::vector<std::unique_ptr<QWidget>> holders;
    for (size_t i = 0; i < pages.size(); ++i) {
        holders.push_back(std::make_unique<QWidget>(&window));
        holders.back()->setGeometry(0, 0, 800, i == 0 ? 44 : 480);
        holders.back()->setVisible(i == 0 || i == 2);
        pages[i] = holders.back().get();
    }
    window.show();

    qn::LiveTable live;
    qn::DashboardModel model;
    model.activeSet = 1;
    QElapsedTimer t;
    t.start();
    qn::LayoutReadOptions options;
    options.fontColour = settings.sts.FNT_Color;
    qn::loadLayoutFile(model, layout, options);
    qn::DashboardWidget board(model, live, settings.sts, language, pages);
    board.setPicturePath(QStringLiteral(QN_RESOURCES "/qndiag.jpg"));
    board.build();
    qn::RefreshInputs in;
    in.live = &live;
    in.sts = &settings.sts;
    in.colours = &settings.colours;
    in.texts = &language.ready();
    in.connected = true;
    in.accent = qn::styleAccentColour(settings.sts.Style);
    board.refresh(in);
    const double buildMs = t.nsecsElapsed() / 1e6;

    // Live values as the simulated ECU sends them over its drive cycle.
    qn::sim::EcuModel ecu;
    qn::sim::EcuResponder responder(ecu);
    qn::Config_Record config;
    config.RPM_Source = int32_t(ecu.configByte(qn::sim::Cfg::RpmSource) | ecu.configByte(qn::sim::Cfg::RpmSource + 1) << 8) * 1000;
    qn::EcuState state;
    state.firmware = 435;
    qn::AnswerDecoder decoder(config, live, settings.sts, state, [](uint16_t r) { return int16_t(r); }, nullptr, nullptr);
    const QByteArray request = QByteArray::fromHex("69262626DB");
    std::vector<double> times;
    for (int i = 0; i < 500; ++i) {
        ecu.advance(250);
        const QByteArray answer = responder.feed(request);
        decoder.dispatch(reinterpret_cast<const uint8_t *>(answer.constData()), int(answer.size()), true);
        in.gasOperation = (state.modeByte & 0x04) != 0;
        t.restart();
        board.refresh(in);
        times.push_back(t.nsecsElapsed() / 1e6);
        QApplication::processEvents();
    }
    std::sort(times.begin(), times.end());
    std::printf("build the default dashboard from its layout file: %.1f ms (target < 100 ms), %d objects\n",
                buildMs, model.objectCount());
    std::printf("one refresh after a live-data answer: median %.3f ms, 90th percentile %.3f ms (target < 2 ms)\n",
                times[times.size() / 2], times[times.size() * 9 / 10]);
    return 0;
}
