// A simulated video detector on a loopback port, for tests and demos.

#include "citilogsimulator.h"
#include "commandreader.h"
#include "trafficstreamsimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onTerminationSignal(int)
{
    const char byte = 1;
    const ssize_t written = ::write(signalPipe[1], &byte, 1);
    Q_UNUSED(written)
}

// SIGTERM and SIGINT end the event loop from within it.
void quitOnTerminationSignals()
{
    if (::pipe(signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, &QCoreApplication::quit);
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

// The integer value of `option` when it lies in [low, high]; otherwise a
// message on stderr and nothing.
std::optional<qint64> boundedOption(const QCommandLineParser &parser,
                                    const QCommandLineOption &option, qint64 low, qint64 high)
{
    bool ok = false;
    const qint64 value = parser.value(option).toLongLong(&ok);
    if (ok && value >= low && value <= high)
        return value;
    std::fprintf(stderr, "--%s must be a whole number from %lld to %lld\n",
                 qPrintable(option.names().constFirst()), low, high);
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ostrel-detector-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulates a traffic-stream or CitiLog video detector on 127.0.0.1 and prints\n"
        "\"port N\", then one line per connection, request and event.\n"
        "It stops on 'quit', SIGTERM, the end of stdin or after --max-seconds.\n"
        "\n"
        "Commands, from stdin or a scenario file (one per line; a scenario may\n"
        "also say \"sleep MS\" and \"loop\"; texts may hold \\r \\n \\t \\s \\\\ \\xHH):\n"
        "  both:          toggle | drop | quit | fail MODE | fail none\n"
        "  trafficstream: set ID 0|1 | event | send TEXT | sendraw TEXT |\n"
        "                 answer CMD [TEXT] | padcam N\n"
        "                 modes: wrong-login silent-login silent garbage oversize drop\n"
        "  citilog:       set INDEX 0|1 | states VECTOR | outputs | send TEXT |\n"
        "                 sendraw TEXT\n"
        "                 modes: wrong-source wrong-length oversize malformed silent drop"));
    parser.addHelpOption();
    const QCommandLineOption protocolOption(
        QStringLiteral("protocol"), QStringLiteral("trafficstream (default) or citilog."),
        QStringLiteral("name"), QStringLiteral("trafficstream"));
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Port to listen on; 0 picks one."),
                                        QStringLiteral("port"), QStringLiteral("0"));
    const QCommandLineOption layoutOption(QStringLiteral("layout"),
                                          QStringLiteral("JSON file with frame and zones."),
                                          QStringLiteral("file"));
    const QCommandLineOption scenarioOption(QStringLiteral("scenario"),
                                            QStringLiteral("File of commands to play."),
                                            QStringLiteral("file"));
    const QCommandLineOption intervalOption(QStringLiteral("interval"),
                                            QStringLiteral("Flip one zone every ms milliseconds."),
                                            QStringLiteral("ms"), QStringLiteral("0"));
    const QCommandLineOption misbehaveOption(QStringLiteral("misbehave"),
                                             QStringLiteral("Start in this failure mode."),
                                             QStringLiteral("mode"));
    const QCommandLineOption maxSecondsOption(
        QStringLiteral("max-seconds"), QStringLiteral("Stop after this long (600; 1 to 86400)."),
        QStringLiteral("s"), QStringLiteral("600"));
    const QCommandLineOption ignoreStdinOption(
        QStringLiteral("ignore-stdin"),
        QStringLiteral("Read no commands from stdin and keep running at its end."));
    parser.addOptions({protocolOption, portOption, layoutOption, scenarioOption, intervalOption,
                       misbehaveOption, maxSecondsOption, ignoreStdinOption});
    parser.process(app);

    const std::optional<qint64> port = boundedOption(parser, portOption, 0, 65535);
    const std::optional<qint64> interval = boundedOption(parser, intervalOption, 0, 86400000);
    const std::optional<qint64> maxSeconds = boundedOption(parser, maxSecondsOption, 1, 86400);
    if (!port || !interval || !maxSeconds)
        return 2;

    SimulatorLayout layout = SimulatorLayout::defaults();
    QString error;
    if (parser.isSet(layoutOption)
        && !SimulatorLayout::load(parser.value(layoutOption), &layout, &error)) {
        std::fprintf(stderr, "cannot read layout: %s\n", qPrintable(error));
        return 2;
    }

    std::unique_ptr<DetectorSimulator> simulator;
    const QString protocol = parser.value(protocolOption);
    if (protocol == QLatin1String("trafficstream")) {
        simulator = std::make_unique<TrafficStreamSimulator>(layout);
    } else if (protocol == QLatin1String("citilog")) {
        simulator = std::make_unique<CitiLogSimulator>(layout);
    } else {
        std::fprintf(stderr, "unknown protocol: %s\n", qPrintable(protocol));
        return 2;
    }
    if (!simulator->listen(QHostAddress::LocalHost, quint16(*port))) {
        std::fprintf(stderr, "cannot listen: %s\n", qPrintable(simulator->errorString()));
        return 1;
    }
    std::printf("port %u\n", unsigned(simulator->serverPort()));
    std::fflush(stdout);

    const QStringList modes = parser.values(misbehaveOption);
    for (const QString &mode : modes)
        simulator->setMode(mode);
    simulator->setSchedule(int(*interval));
    QObject::connect(simulator.get(), &DetectorSimulator::quitRequested, &app,
                     &QCoreApplication::quit);

    CommandReader reader;
    QObject::connect(&reader, &CommandReader::command, simulator.get(),
                     &DetectorSimulator::runCommand);
    if (!parser.isSet(ignoreStdinOption)) {
        QObject::connect(&reader, &CommandReader::inputClosed, &app, &QCoreApplication::quit);
        reader.readStandardInput();
    }
    if (parser.isSet(scenarioOption)
        && !reader.playScenario(parser.value(scenarioOption), &error)) {
        std::fprintf(stderr, "cannot read scenario: %s\n", qPrintable(error));
        return 2;
    }

    quitOnTerminationSignals();
    QTimer::singleShot(int(*maxSeconds * 1000), &app, &QCoreApplication::quit);
    return app.exec();
}
