// What: the window's start-up and its CPU use while polling, against qndiag-sim at 9600 baud on a
// pseudo-terminal, under the offscreen platform, with automatic connection on and no dashboard
// objects. The window is built exactly as qndiag builds it (AppCore + TForm_GEN).
// Figures: time from process start to the main window shown; to the first live-data answer (the
// program's own one-second start-up delay included); CPU time while polling for N seconds
// (default 60) as a share of one core. Target: under 1 % of one core.
// Usage: bench_window [SECONDS]

#include "app/AppCore.h"
#include "app/TForm_GEN.h"
#include "link/Unit_Bluetooth.h"
#include "link/Unit_SerialAccess.h"
#include "ui/Folders.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

namespace {

// Milliseconds since this process started, from the kernel's start time.
double sinceProcessStart()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    stat.open(QIODevice::ReadOnly);
    const QList<QByteArray> f = stat.readAll().split(' ');
    const double startTicks = f.value(21).toDouble();
    QFile up(QStringLiteral("/proc/uptime"));
    up.open(QIODevice::ReadOnly);
    const double uptime = up.readAll().split(' ').value(0).toDouble();
    return (uptime - startTicks / double(sysconf(_SC_CLK_TCK))) * 1000.0;
}

double cpuMs()
{
    QFile f(QStringLiteral("/proc/self/schedstat"));
    f.open(QIODevice::ReadOnly);
    return f.readAll().split(' ').value(0).toDouble() / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(5, atoi(argv[1])) : 60;

    QProcess sim;
    sim.start(QStringLiteral(QN_SIM_EXE), {});
    QString pty;
    while (pty.isEmpty() && sim.waitForReadyRead(5000)) {
        const QByteArray line = sim.readLine();
        if (line.startsWith("pty "))
            pty = QString::fromUtf8(line.mid(4)).trimmed();
    }
    if (pty.isEmpty()) {
        std::fprintf(stderr, "qndiag-sim did not start\n");
        return 1;
    }

    QTemporaryDir dir;
    const qn::Paths paths = qn::computeDevelopmentPaths(dir.filePath("qndiag"), dir.path(), QLatin1Char('/'));
    QFile::copy(QStringLiteral(QN_RESOURCES "/qndiag.dat"), paths.temperatureFile);
    QFile ini(paths.settingsFile);
    ini.open(QIODevice::WriteOnly);
    ini.write("[SET]\nRun_App=1\n[CON]\nType=0\nPort=" + pty.toUtf8() + "\nAuto=1\n");
    ini.close();

    const double beforeWindow = sinceProcessStart();
    qn::QtTimerHost timers;
    qn::SerialPortAccess ports;
    qn::PlatformBluetooth bluetooth;
    qn::AppCore core(qn::AppCore::Deps{timers, paths, ports, bluetooth, QStringLiteral("en"), 1280, 800});
    qn::TForm_GEN window(core, timers);
    double shownAt = -1, firstLiveAt = -1, cpuStart = 0;
    int live = 0;
    core.onLiveData = [&] {
        if (++live == 1)
            firstLiveAt = sinceProcessStart();
        if (live == 3) {
            cpuStart = cpuMs();
            QTimer::singleShot(seconds * 1000, &app, [&] {
                const double used = cpuMs() - cpuStart;
                std::printf("process start -> main window shown: %.0f ms (window construction began at %.0f ms)\n",
                            shownAt, beforeWindow);
                std::printf("process start -> first live-data answer: %.0f ms (includes the 1 s start-up delay)\n",
                            firstLiveAt);
                std::printf("CPU while polling %d s: %.1f ms = %.2f %% of one core (target < 1 %%), %d live answers\n",
                            seconds, used, used / (seconds * 10.0), live - 3);
                window.close();
                app.quit();
            });
        }
    };
    QTimer::singleShot(0, &app, [&] { shownAt = sinceProcessStart(); });
    window.show();
    const int rc = app.exec();
    sim.write("quit\n");
    sim.waitForFinished(3000);
    return rc;
}
