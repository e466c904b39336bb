// qndiag: the window of the diagnostic tool.

#include "app/AppCore.h"
#include "app/TForm_GEN.h"
#include "app/TForm_LOGO.h"
#include "app/Version.h"
#include "link/Unit_Bluetooth.h"
#include "link/Unit_SerialAccess.h"
#include "ui/Folders.h"
#include "platform/TerminationSignals.h"
#include "ui/StyleSheet.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);

    // Folders first, then the settings (inside AppCore), then the splash.
    const qn::InitPathsResult init = qn::InitPaths();
    if (!init.ok()) {
        QMessageBox::critical(nullptr, QStringLiteral("QN"),
                              QStringLiteral("The data folder cannot be used: %1").arg(init.error));
        return 1;
    }
    const qn::Paths &paths = init.paths;
    QApplication::setApplicationName(paths.programName);
    QApplication::setApplicationDisplayName(paths.programName + QStringLiteral("  V") +
                                            QLatin1String(qn::ProgramVersion));

    const QRect workArea = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                            : QRect(0, 0, 800, 600);
    qn::QtTimerHost timers;
    qn::SerialPortAccess ports;
    qn::PlatformBluetooth bluetooth;
    qn::AppCore core(qn::AppCore::Deps{timers, paths, ports, bluetooth, qn::Language::systemLanguageCode(),
                                       workArea.width(), workArea.height()});

    const qn::STS_Record &sts = core.settings.sts;
    app.setStyleSheet(qn::loadStyleSheet(paths, sts.Style));
    auto splash = std::make_unique<qn::TForm_LOGO>(
        paths.splashPicture, QRect(sts.GEN_Pos_X, sts.GEN_Pos_Y, sts.GEN_Width, sts.GEN_Height));
    splash->show();

    qn::TForm_GEN window(core, timers);
    window.onStartupComplete = [&splash] { splash.reset(); };

    // SIGINT and SIGTERM close the window the normal way: link stopped, settings saved.
    qn::routeTerminationSignals(&window, [&window] { window.close(); });

    window.show();
    return app.exec();
}
