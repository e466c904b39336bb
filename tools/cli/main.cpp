// qndiag-cli: poll an ECU on a serial port from a terminal and print or log its live values.

#include "Monitor.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include "platform/TerminationSignals.h"

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qndiag-cli"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Connects to a gas-injection ECU on a serial port, runs the connect sequence and polls its "
        "live values.\n"
        "Prints 'connected name=... version=... date=... car=... firmware=...' when the link is up.\n"
        "Exit codes: 0 after --seconds, 2 bad usage, 3 port or connection failed, 4 link lost."));
    parser.addHelpOption();
    QCommandLineOption portOpt(QStringLiteral("port"), QStringLiteral("Serial port (device path or name)."),
                               QStringLiteral("PATH"));
    QCommandLineOption secondsOpt(QStringLiteral("seconds"), QStringLiteral("Stop after N seconds."),
                                  QStringLiteral("N"));
    QCommandLineOption csvOpt(QStringLiteral("csv"),
                              QStringLiteral("Write a row of the 24 live values per answer to FILE ('-' for standard output)."),
                              QStringLiteral("FILE"));
    parser.addOptions({portOpt, secondsOpt, csvOpt});
    parser.process(app);

    qn::cli::Options options;
    options.port = parser.value(portOpt);
    options.csv = parser.value(csvOpt);
    options.programDir = QCoreApplication::applicationDirPath();
    if (options.port.isEmpty()) {
        std::fprintf(stderr, "qndiag-cli: --port is required (see --help)\n");
        return qn::cli::Usage;
    }
    if (parser.isSet(secondsOpt)) {
        bool ok = false;
        options.seconds = parser.value(secondsOpt).toInt(&ok);
        if (!ok || options.seconds < 0) {
            std::fprintf(stderr, "qndiag-cli: --seconds wants a whole number of seconds\n");
            return qn::cli::Usage;
        }
    }

    qn::cli::Monitor monitor(options);
    int exitCode = 0;
    bool finished = false;
    monitor.onFinished = [&](int code) {
        exitCode = code;
        finished = true;
        QCoreApplication::exit(code);
    };
    // SIGINT and SIGTERM end the run like the time limit does.
    qn::routeTerminationSignals(&app, [&] {
        if (!finished) {
            finished = true;
            QCoreApplication::exit(qn::cli::Ok);
        }
    });
    if (!monitor.start())
        return exitCode;
    const int code = app.exec();
    return finished ? exitCode : code;
}
