// korvane-station: the window, or the headless line console with --headless.
#include "app/DemoPeers.h"
#include "model/SettingKeys.h"
#include "app/Station.h"
#include "cloud/CloudServer.h"
#include "gui/MainWindow.h"
#include "gui/QtTranslations.h"
#include "nav/ShipService.h"
#include "gui/WidgetDialogs.h"
#include "headless/HeadlessConsole.h"
#include "headless/HeadlessDialogs.h"
#include "headless/StdinReader.h"
#include "history/HistoryExport.h"
#include "platform/Clock.h"
#include "platform/FileReveal.h"
#include "platform/LoopWatch.h"
#include "platform/ProcessServices.h"
#include "platform/QuitSignals.h"
#include "platform/SettingsStore.h"
#include "web/WebCommandLine.h"

#include <QApplication>
#include <QLocale>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>
#include <optional>
#include <memory>

using namespace korvane;

namespace {

bool hasArgument(int argc, char **argv, const char *name)
{
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], name) == 0)
            return true;
    }
    return false;
}

bool displayAvailable()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
           || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

void addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Control and monitoring station for a ship-borne self-pointing antenna.\n"
        "Without options it opens the window and uses the user's settings."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("headless"),
                      QStringLiteral("Run without a window: display changes go to stdout as "
                                     "CONTROL.property=value, stdin lines are operator actions.")});
    parser.addOption({QStringLiteral("quiet"),
                      QStringLiteral("With --headless: print only the event lines (as the daily log gets "
                                     "them), the notice and alarm changes (Label_NOTE.text=..., "
                                     "Lbl_ALARM.text=...), the survey's lines and the answers to : actions; "
                                     "not the rest of the display stream.")});
    parser.addOption({QStringLiteral("demo"),
                      QStringLiteral("Start simulated peers on loopback and use a throw-away settings "
                                     "store and log folder. Runs headless when there is no display.")});
    parser.addOption({QStringLiteral("demo-radio"),
                      QStringLiteral("With --demo: the simulated radio, airos (a telnet radio) or cpe (a 5G CPE "
                                     "on its web interface)."),
                      QStringLiteral("airos|cpe"), QStringLiteral("airos")});
    parser.addOption({QStringLiteral("answer"),
                      QStringLiteral("Headless answer to question boxes: ok, cancel, default, or wait (left open for "
                                     "the web view or a :answer line; the default with the web view)."),
                      QStringLiteral("ok|cancel|default|wait"), QStringLiteral("default")});
    parser.addOption({QStringLiteral("settings"),
                      QStringLiteral("Use this settings file instead of the user's store."),
                      QStringLiteral("file")});
    parser.addOption({QStringLiteral("time-scale"),
                      QStringLiteral("Multiply every timer interval by this factor (tests and demos; default 1)."),
                      QStringLiteral("factor"), QStringLiteral("1")});
    parser.addOption({QStringLiteral("log-dir"),
                      QStringLiteral("Folder for the daily logs (default: the working directory)."),
                      QStringLiteral("dir")});
    parser.addOption({QStringLiteral("ais-port"),
                      QStringLiteral("Serial port of the AIS receiver for this run, by name (COM5, ttyUSB0) or "
                                     "device path (/dev/ttyACM0); a path opens without the adapter check. "
                                     "Default: the USE_SHIP_AIS_COM setting."),
                      QStringLiteral("port")});
    parser.addOption({QStringLiteral("point-ini-dir"),
                      QStringLiteral("Folder where IMPORT looks for POINT.INI first; then beside the settings file, "
                                     "in the working directory and beside the executable."),
                      QStringLiteral("dir")});
    parser.addOption({QStringLiteral("history"),
                      QStringLiteral("The history file (figures each second and events, SQLite). Default: "
                                     "$XDG_DATA_HOME/Korvane/korvane-station-history.sqlite; with --demo, "
                                     "the demo's folder."),
                      QStringLiteral("file")});
    parser.addOption({QStringLiteral("export-history"),
                      QStringLiteral("Write the history's samples as CSV to stdout and exit; starts no station "
                                     "and may run beside one.")});
    parser.addOption({QStringLiteral("export-events"),
                      QStringLiteral("Write the history's events (time,kind,text) as CSV to stdout and exit.")});
    parser.addOption({QStringLiteral("since"),
                      QStringLiteral("With an export: the first time, local, \"yyyy-MM-dd HH:mm:ss\"."),
                      QStringLiteral("time")});
    parser.addOption({QStringLiteral("until"),
                      QStringLiteral("With an export: the last time, local, \"yyyy-MM-dd HH:mm:ss\"."),
                      QStringLiteral("time")});
    web::addWebOptions(parser);
    parser.addOption({QStringLiteral("watch-loop"),
                      QStringLiteral("Measure the longest stall of the event loop; the headless :stats line "
                                     "reports it with the memory and processor use.")});
}

// The demo's settings: the simulated board, connected at start, and the
// simulated cloud server under every address a report may use, so no report
// leaves the machine.
void seedDemoSettings(SettingsStore &store, const DemoPeers &peers)
{
    const int boardPort = peers.boardPort();
    const QString address = QStringLiteral("127.0.0.1:%1").arg(boardPort);
    store.write(keys::DEVICE_KORVANE_IP, address);
    store.write(keys::DEVICE_KORVANE_PORT, QString::number(boardPort));
    store.write(keys::KORVANE_AUTOLINK, QStringLiteral("1"));
    // The simulated radio with its default login; the CPE's web server is on
    // a port of its own, which only a web address names.
    const QString radioAddress = peers.radio() == DemoPeers::Radio::Cpe ? QStringLiteral("http://127.0.0.1:%1")
                                                                       : QStringLiteral("127.0.0.1:%1");
    store.write(keys::DEVICE_WIRESS_IP, radioAddress.arg(peers.radioPort()));
    store.write(keys::DEVICE_WIRESS_USER, QStringLiteral("ubnt"));
    store.write(keys::DEVICE_WIRESS_PASSWORD, QStringLiteral("ubnt"));
    const QString cloud = QStringLiteral("127.0.0.1:%1").arg(peers.cloudPort());
    store.write(cloudserver::CLOUD_SERVER_NAME, cloud);
    store.write(cloudserver::CLOUD_SERVER_IP, cloud);
    store.write(keys::CLOUD_HOST, cloud);
    store.write(keys::KORVANE_CLOUD, QStringLiteral("1"));
    // The signal comparison every minute, two degrees each side: the demo
    // radio's far end lies a few degrees off, so the turns find it.
    store.write(keys::USE_SHIP_AIS_SCAN_COMP, QStringLiteral("1"));
    store.write(keys::USE_SHIP_AIS_SCAN_COMP_TIME, QStringLiteral("60"));
    store.write(keys::USE_SHIP_AIS_SCAN_COMP_ANG, QStringLiteral("2"));
    // Ship-to-ship on the simulated vessel: the web lookups go to the
    // simulated ship service, the AIS port is the feed's line. The AIS drive
    // starts unticked: each of its drive commands restarts the comparison
    // countdown, so with it on the comparison would never show.
    store.write(keys::SHIP_SERVICE_URL, QStringLiteral("http://127.0.0.1:%1").arg(peers.shipServicePort()));
    store.write(keys::USE_SHIP_MMSI, QString::fromLatin1(DemoPeers::kDemoMmsi));
    store.write(keys::USE_SHIP_AIS, QStringLiteral("1"));
    store.write(keys::USE_SHIP_AIS_DRIVE, QStringLiteral("0"));
    if (!peers.aisPort().isEmpty())
        store.write(keys::USE_SHIP_AIS_COM, peers.aisPort());
}

QString defaultHistoryFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/Korvane/korvane-station-history.sqlite");
}

// --since and --until: empty gives an open end; false for a text that is
// no time.
bool parseExportTime(const QCommandLineParser &parser, const QString &name, QDateTime &when)
{
    if (!parser.isSet(name))
        return true;
    when = QDateTime::fromString(parser.value(name).trimmed(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (when.isValid())
        return true;
    std::fprintf(stderr, "--%s takes a local time \"yyyy-MM-dd HH:mm:ss\"\n", qPrintable(name));
    return false;
}

int exportHistory(const QCommandLineParser &parser, const QString &file)
{
    QDateTime since;
    QDateTime until;
    if (!parseExportTime(parser, QStringLiteral("since"), since)
        || !parseExportTime(parser, QStringLiteral("until"), until))
        return 2;
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly)) {
        std::fprintf(stderr, "cannot write to stdout\n");
        return 1;
    }
    QString error;
    const bool ok = parser.isSet(QStringLiteral("export-events"))
                        ? history::writeEventsCsv(file, since, until, out, &error)
                        : history::writeSamplesCsv(file, since, until, out, &error);
    out.close();
    if (!ok) {
        std::fprintf(stderr, "export: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    bool headless = hasArgument(argc, argv, "--headless");
    if (!headless && hasArgument(argc, argv, "--demo") && !displayAvailable())
        headless = true;
    // Help and version need no window: on a service host or over ssh there
    // is no display, and the widget application would abort without one.
    for (const char *flag :
         {"--help", "-h", "-?", "--help-all", "--version", "-v", "--export-history", "--export-events", "--web-user", "--web-users", "--make-web-cert"}) {
        if (!headless && hasArgument(argc, argv, flag) && !displayAvailable())
            headless = true;
    }
    std::unique_ptr<QCoreApplication> app;
    if (headless)
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);
    if (!headless)
        installQtTranslations(QLocale::system());
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.46"));
    // From here on systemctl stop, kill and Ctrl-C end the program through
    // its event loop, so the demo's peers and folder go with it.
    QuitSignals quitSignals;
    int endSignal = 0;
    QObject::connect(&quitSignals, &QuitSignals::received, app.get(), [&endSignal, &app](int signalNumber) {
        endSignal = signalNumber;
        app->quit();
    });

    QCommandLineParser parser;
    addOptions(parser);
    parser.process(*app);
    HeadlessDialogs::Policy policy = HeadlessDialogs::Policy::Default;
    if (!HeadlessDialogs::parsePolicy(parser.value(QStringLiteral("answer")), policy)) {
        std::fprintf(stderr, "--answer takes ok, cancel, default or wait\n");
        return 2;
    }

    if (parser.isSet(QStringLiteral("export-history")) || parser.isSet(QStringLiteral("export-events")))
        return exportHistory(parser, parser.isSet(QStringLiteral("history")) ? parser.value(QStringLiteral("history"))
                                                                             : defaultHistoryFile());

    const QString programName = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    std::unique_ptr<DemoPeers> demo;
    std::unique_ptr<SettingsStore> settings;
    QString logFolder = parser.isSet(QStringLiteral("log-dir")) ? parser.value(QStringLiteral("log-dir"))
                                                                 : QDir::currentPath();
    QString lockPath = ProcessServices::defaultLockPath(programName);
    const QString demoRadio = parser.value(QStringLiteral("demo-radio"));
    if (demoRadio != QLatin1String("airos") && demoRadio != QLatin1String("cpe")) {
        std::fprintf(stderr, "--demo-radio takes airos or cpe\n");
        return 2;
    }
    if (parser.isSet(QStringLiteral("demo"))) {
        demo = std::make_unique<DemoPeers>(demoRadio == QLatin1String("cpe") ? DemoPeers::Radio::Cpe
                                                                              : DemoPeers::Radio::AirOs);
        QString error;
        if (!demo->start(error)) {
            std::fprintf(stderr, "demo: %s\n", qPrintable(error));
            return 1;
        }
        // A settings file named with the demo is used (and seeded): its web
        // accounts then serve the demo's web view.
        settings = std::make_unique<SettingsStore>(parser.isSet(QStringLiteral("settings"))
                                                       ? parser.value(QStringLiteral("settings"))
                                                       : demo->settingsPath());
        seedDemoSettings(*settings, *demo);
        if (!parser.isSet(QStringLiteral("log-dir")))
            logFolder = demo->folder();
        lockPath = QDir(demo->folder()).filePath(QStringLiteral("instance.lock"));
        std::fprintf(stderr, "demo: simulated board on 127.0.0.1:%d, %s on 127.0.0.1:%d, cloud on 127.0.0.1:%d; "
                             "settings and logs in %s\n",
                     demo->boardPort(), demo->radio() == DemoPeers::Radio::Cpe ? "5G CPE" : "radio",
                     demo->radioPort(), demo->cloudPort(), qPrintable(demo->folder()));
        std::fprintf(stderr, "demo: ship-position service on 127.0.0.1:%d; AIS feed %s\n", demo->shipServicePort(),
                     demo->aisPort().isEmpty() ? "left out" : qPrintable(QStringLiteral("on ") + demo->aisPort()));
    } else if (parser.isSet(QStringLiteral("settings"))) {
        settings = std::make_unique<SettingsStore>(parser.value(QStringLiteral("settings")));
    } else {
        settings = SettingsStore::forUser(programName);
    }

    if (const int code = web::runWebCommand(parser, *settings); code >= 0)
        return code;
    // A service with the web view leaves its questions open for the page,
    // unless told how to answer them.
    if (headless && !parser.isSet(QStringLiteral("answer")) && web::webWanted(parser, *settings))
        policy = HeadlessDialogs::Policy::Wait;

    SystemClock clock;
    DesktopFileReveal reveal;
    ProcessServices processes(lockPath);
    HeadlessDialogs headlessDialogs(policy);
    std::unique_ptr<WidgetDialogs> widgetDialogs;
    StationEnvironment env;
    env.programName = programName;
    env.logFolder = logFolder;
    env.settings = settings.get();
    env.clock = &clock;
    env.reveal = &reveal;
    env.processes = &processes;
    bool scaleOk = false;
    env.timeScale = parser.value(QStringLiteral("time-scale")).toDouble(&scaleOk);
    if (!scaleOk || env.timeScale <= 0) {
        std::fprintf(stderr, "--time-scale takes a positive number\n");
        return 2;
    }
    env.pointIniFolder = parser.value(QStringLiteral("point-ini-dir"));
    if (parser.isSet(QStringLiteral("history")))
        env.historyFile = parser.value(QStringLiteral("history"));
    else if (demo)
        env.historyFile = QDir(demo->folder()).filePath(QStringLiteral("korvane-station-history.sqlite"));
    else
        env.historyFile = defaultHistoryFile();
    env.aisPort = parser.value(QStringLiteral("ais-port"));
    // A relative path that exists here is meant as a path, not a port name.
    if (const QFileInfo aisPath(env.aisPort); !env.aisPort.isEmpty() && aisPath.isRelative() && aisPath.exists())
        env.aisPort = aisPath.absoluteFilePath();
    if (headless) {
        env.dialogs = &headlessDialogs;
    } else {
        widgetDialogs = std::make_unique<WidgetDialogs>();
        env.dialogs = widgetDialogs.get();
    }

    // Outlives the station: its start-up may end while the station goes.
    std::optional<bool> loaded;
    Station station(env);
    std::unique_ptr<HeadlessConsole> console;
    std::unique_ptr<StdinReader> reader;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<web::WebServer> webView;
    LoopWatch loopWatch;
    if (parser.isSet(QStringLiteral("watch-loop")))
        loopWatch.start();
    if (headless) {
        console = std::make_unique<HeadlessConsole>(station);
        console->setQuiet(parser.isSet(QStringLiteral("quiet")));
        console->setLoopWatch(&loopWatch);
        reader = std::make_unique<StdinReader>();
        QObject::connect(reader.get(), &StdinReader::lineRead, console.get(), &HeadlessConsole::handleLine);
        QObject::connect(console.get(), &HeadlessConsole::quitRequested, app.get(), &QCoreApplication::quit,
                         Qt::QueuedConnection);
    }
    QObject::connect(&quitSignals, &QuitSignals::received, &station, [&station](int signalNumber) {
        station.log.append(station.eventLine(QStringLiteral("收到结束信号") + QuitSignals::nameOf(signalNumber)
                                             + QStringLiteral("，程序退出")));
        // Now, while the board's link still stands.
        station.endSurveyAtExit();
    });
    // Start-up ends at once, unless another copy runs and the operator is
    // asked whether to end it; then the loop runs while the box is open.
    QCoro::connect(station.Form_Load(), &station, [&](bool started) {
        loaded = started;
        if (!started) {
            QCoreApplication::exit(0);
            return;
        }
        if (web::webWanted(parser, *settings))
            webView = web::startWebView(parser, station, env.timeScale);
        if (headless) {
            reader->start();
        } else {
            window = std::make_unique<MainWindow>(station);
            if (widgetDialogs)
                widgetDialogs->setParentWindow(window.get());
            window->show();
        }
    });
    if (loaded == false)
        return 0;
    // A signal that came before the loop ran.
    if (endSignal != 0)
        return 0;
    return app->exec();
}
