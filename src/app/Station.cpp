#include "app/Station.h"

#include "model/SettingKeys.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/FileReveal.h"
#include "platform/ProcessServices.h"
#include "platform/SettingsStore.h"
#include "text/Formats.h"
#include "history/HistoryStore.h"
#include "history/LogCompressor.h"
#include "history/LogPruner.h"
#include "history/Sampler.h"

#include <cmath>

namespace korvane {

namespace {

constexpr const char *kDesignCaption = "动中通天线自动控制系统 V1.0.46";

const char *const kConsoleEntries[] = {"g", "p", "j", "w", "c", "R", "WR",
                                       "COMP_TIME", "COMP_ANG", "SCAN_TIME", "?", "IMPORT"};

const char *const kSignalBars[6] = {"", "▁ 　 　 　 　", "▁ ▃ 　 　 　", "▁ ▃ ▅ 　 　",
                                    "▁ ▃ ▅ ▇ 　", "▁ ▃ ▅ ▇ █"};

} // namespace

Station::Station(const StationEnvironment &env, QObject *parent)
    : QObject(parent),
      log(*env.clock, env.logFolder, env.programName),
      controllerLink({Winsock1, Winsock2, Winsock_test}, display, *env.settings, controllerStatus, radio, waits),
      statusParser(Winsock2, controllerLink, display, log, *env.clock,
                   {controllerStatus, ais, optimisation, radio}),
      manualDrive(display, controllerLink, controllerStatus, log,
                  [this](const QString &m) { return eventLine(m); }),
      settingCommands(display, *env.settings, *env.dialogs,
                      {optimisation, ais, cloud, compassRebootSwitch, pingRebootSwitch},
                      [this](const QString &m) { return eventLine(m); }, env.programName),
      initSequence(display, controllerLink, Winsock2, *env.dialogs, waits),
      baseImport({display, controllerLink, Winsock2, *env.dialogs, *env.clock, waits},
                 BaseImport::searchFolders(env.pointIniFolder, env.settings->filePath())),
      console({display, controllerLink, Winsock1, radio, controllerStatus, *env.dialogs, log, *env.clock,
               settingCommands, initSequence, baseImport, waits},
              [this](const QString &m) { return eventLine(m); }),
      windowHandlers(display, log, *env.reveal, [this](const QString &m) { return eventLine(m); }),
      radioSession({Winsock1, controllerLink, display, log, *env.clock, radio, radioStats, controllerStatus, caption,
                    waits},
                   [this](const QString &m) { return eventLine(m); }),
      pingWatchdog({Winsock1, display, log, radio, controllerStatus, pingRebootSwitch, waits},
                   [this](const QString &m) { return eventLine(m); }),
      linkSupervisor({Winsock1, Winsock2, display, *env.settings, log, *env.clock, radio}),
      aisHeadingSaver(*env.settings),
      serialAis({display, ais, controllerStatus, controllerLink, optimisation, aisHeadingSaver, log, *env.clock,
                 MSComm1}),
      webShip({display, ais, controllerStatus, controllerLink, optimisation, *env.settings, aisHeadingSaver, log,
               *env.clock, http, waits},
              [this](const QString &m) { return eventLine(m); }),
      radioPoller({display, log, *env.clock, radio, radioStats, controllerStatus, Winsock1, controllerLink,
                   compassRebootSwitch, http, caption, waits}),
      cloudReporter({display, *env.settings, log, Winsock_Cloud, Winsock1, controllerLink, cloud, controllerStatus,
                     radioStats, radio, ais, links.cloud, *env.clock},
                    [this](const QString &m) { return eventLine(m); }),
      signalComparison({display, controllerLink, Winsock1, radio, radioStats, optimisation, log, *env.clock}),
      autoScan({display, controllerLink, Winsock1, radio, optimisation, *env.dialogs, log, *env.clock},
               [this](const QString &m) { return eventLine(m); }),
      m_env(env),
      m_settings(*env.settings)
{
    for (TcpLink *link : {&Winsock1, &Winsock2, &Winsock_test, &Winsock_Cloud})
        link->setParent(this);
    connect(&Winsock2, &TcpLink::dataArrival, this, [this] { statusParser.Winsock2_DataArrival(); });
    connect(&Winsock1, &TcpLink::connected, this, [this] { radioSession.Winsock1_Connect(); });
    connect(&Winsock1, &TcpLink::dataArrival, this, [this] { radioSession.Winsock1_DataArrival(); });
    connect(&MSComm1, &SerialLink::dataReceived, this, [this] { serialAis.MSComm1_OnComm(); });
    // A pulled cable is said once, and again when the port is back.
    const auto reportAisPort = [this](const QString &message) {
        display.Label_NOTE.setText(message);
        log.append(eventLine(message));
    };
    connect(&MSComm1, &SerialLink::lost, this, [this, reportAisPort](const QString &reason) {
        links.ais.lost(reason, m_env.clock->now());
        reportAisPort(QStringLiteral("AIS串口已断开：") + MSComm1.portName() + QStringLiteral("（") + reason
                      + QStringLiteral("）"));
    });
    connect(&MSComm1, &SerialLink::restored, this,
            [this, reportAisPort] {
                const qint64 gone = links.ais.downForMs();
                links.ais.back(m_env.clock->now());
                reportAisPort(QStringLiteral("AIS串口已恢复：") + MSComm1.portName() + QStringLiteral("，中断")
                              + LinkOutage::lengthText(gone));
            });
    settingCommands.reopenAisPort = [this](const QString &name, std::optional<std::int16_t> number) {
        serialAis.reopen(name, number);
    };
    connect(&Winsock_Cloud, &TcpLink::connected, this, [this] { cloudReporter.Winsock_Cloud_Connect(); });
    connect(&Winsock_Cloud, &TcpLink::dataArrival, this, [this] { cloudReporter.Winsock_Cloud_DataArrival(); });
    connect(&Winsock_Cloud, &TcpLink::stateChanged, this,
            [this](int state) { cloudReporter.Winsock_Cloud_StateChanged(state); });
    connect(&Winsock_Cloud, &TcpLink::errorOccurred, this,
            [this](int code, const QString &description) { cloudReporter.Winsock_Cloud_Error(code, description); });
    setupTimers();
    setupLinkWatch();
    setupSurveyGuard();
    // A box ticked by a console command takes the operator's own path.
    settingCommands.tickBox = [this](const QString &box) { setControl(box, QStringLiteral("1")); };
    settingCommands.radioPortChosen = [this] { linkSupervisor.keepStoredPort(); };
    console.autoscan = [this] { autoScan.autoscan(); };
    console.commandEntered = [this] { ++counters.commands; };
    cloudReporter.reportFailed = [this] { ++counters.cloudReportFailures; };
    manualDrive.cancelAutoScan = [this] { autoScan.cancel(); };
}

Station::~Station()
{
    // Every sequence still waiting ends now, while all it touches exists.
    waits.end();
    endSurveyAtExit();
    // The sampler and the log hook use the store; the last rows go out.
    historySampler.reset();
    log.setLineListener({});
    historyStore.reset();
}

QString Station::eventLine(const QString &message) const
{
    return timeText(m_env.clock->now()) + QStringLiteral(" 主机类型(") + QString::number(radio.RadioFamily)
           + QStringLiteral(")事件：") + message + QStringLiteral("\r\n");
}

Task<bool> Station::checkSingleInstance()
{
    ProcessServices *processes = m_env.processes;
    if (!processes || processes->tryTakeInstanceLock())
        co_return true;
    qint64 earlier = processes->lockHolderPid();
    if (!ProcessServices::isAlive(earlier))
        earlier = ProcessServices::fun_FindProcess(m_env.programName);
    if (earlier <= 0)
        co_return true; // the earlier copy cannot be found: carry on
    const Dialogs::Answer answer = co_await m_env.dialogs->question(
        &waits, QStringLiteral("通知："),
        QStringLiteral("程序已经运行，如果点击“确定”，将会强制关闭之前的进程，以重新打开！"),
        Dialogs::Icon::Warning, Dialogs::Answer::Ok);
    if (answer == Dialogs::Answer::Cancel || waits.ended())
        co_return false;
    co_await ProcessServices::forceKill(&waits, earlier);
    if (waits.ended())
        co_return false;
    processes->takeOverInstanceLock();
    co_return true;
}

Task<bool> Station::Form_Load()
{
    const bool done = co_await checkSingleInstance();
    if (!done)
        co_return false;
    for (const char *entry : kConsoleEntries)
        display.Combo2.addItem(QString::fromLatin1(entry));
    radio.keyReady = false;
    const StartupSettings s = StartupSettings::read([this](const QString &k) { return m_settings.read(k); });
    loadConnectionFields(s);
    controllerStatus.CompassSameCount = 0;
    compassRebootSwitch = s.compassReboot;
    pingRebootSwitch = s.pingReboot;
    loadShipToShip(s);
    loadOptimisation(s);
    openAisPortAtStart(s);
    ais.targetMmsi = s.targetMmsi;
    display.Label5.setToolTip(QStringLiteral("船舶MMSI：") + s.targetMmsi);
    optimisation.scanStep = s.scanStep;
    optimisation.comparisonReadings = {-100, -100, -100};
    controllerLink.startupConnect(s.radioPort, s.autoLink == 1);
    display.Text12.setText(QString());
    display.Text13.setText(QString());
    display.Text15.setText(QString());
    resetRuntimeState();
    caption = m_env.programName + QLatin1Char('-') + QString::fromUtf8(kDesignCaption);
    display.MainWindow.setText(caption);
    for (QTimer *t : {&Timer1, &blink, &Timer2, &GET_SIGN, &Timer_Ping, &Timer_AutoScan, &Timer_Cloud, &feedCheck})
        t->start();
    startHistory();
    co_return true;
}

void Station::loadConnectionFields(const StartupSettings &s)
{
    display.Text3.setText(s.radioAddress);
    display.Text14.setText(s.radioUser);
    display.Text7.setText(s.radioPassword);
    display.Text4.setText(s.controllerAddress);
    display.Text10.setText(s.controllerPort);
    radio.rememberedUser = s.radioUser;
    radio.rememberedPassword = s.radioPassword;
    display.Check1.setValue(s.autoLink);
    display.Cloud.setValue(s.cloud);
    cloud.reporting = s.cloud == 1;
}

void Station::loadShipToShip(const StartupSettings &s)
{
    if (s.shipAis == 0 || s.shipAis == 1)
        display.CHK_SHIP_AIS.setValue(s.shipAis);
    if (s.shipAis == 1 || s.shipAis == 0) {
        ais.shipToShip = s.shipAis == 1;
        display.CHK_SHIP_AIS.setVisible(ais.shipToShip);
        display.Label5.setVisible(ais.shipToShip);
    }
    display.SHIP_AIS_DRIVE.setValue(s.shipAisDrive);
    controllerStatus.DriveConfirmed = true;
    ais.headingCorrection = s.fixedHeading;
    ais.aisDrive = s.shipAisDrive == 1;
    display.SHIP_AIS_DRIVE.setVisible(ais.aisDrive);
    display.Label12.setVisible(ais.aisDrive);
    if (ais.aisDrive)
        ais.aisHeading = s.aisHeading;
}

void Station::loadOptimisation(const StartupSettings &s)
{
    optimisation = OptimisationState{};
    optimisation.comparisonEnabled = s.comparisonEnabled;
    optimisation.comparisonInterval = s.comparisonInterval;
    optimisation.comparisonCountdown = s.comparisonInterval;
    optimisation.scanPitch = s.scanPitch;
    optimisation.scanEnabled = s.scanEnabled;
    optimisation.scanInterval = s.scanInterval;
    optimisation.scanCountdown = s.scanInterval;
    optimisation.comparisonStep = s.comparisonStep;
}

void Station::openAisPortAtStart(const StartupSettings &s)
{
    const SystemSerialPorts systemPorts;
    serialAis.FindComPorts(m_env.serialPorts ? *m_env.serialPorts : systemPorts);
    serialAis.openAtStart(m_env.aisPort.isEmpty() ? s.aisPort : m_env.aisPort);
    ais.lastReportTime = 0;
    ais.firstQuerySent = false;
}

void Station::resetRuntimeState()
{
    controllerStatus.OwnLatitude = 0;
    controllerStatus.OwnLongitude = 0;
    controllerStatus.ReportedLatitude = 0;
    controllerStatus.ReportedLongitude = 0;
    controllerStatus.ShipTarget = {};
    controllerStatus.AngleH = 0;
    controllerStatus.linkHeaderWritten = false;
    controllerStatus.GnssValid = true;
    controllerStatus.MultiBase = false;
    for (int i = 1; i <= 5; ++i)
        radio.signalBars[i] = QString::fromUtf8(kSignalBars[i]);
    radio.pingCount = 0;
    radio.pingSum = 0;
    radio.pingWindow.fill(0);
    radio.cpePrevRxBytes = 0;
    radio.cpePrevTxBytes = 0;
    const bool cloudReporting = cloud.reporting;
    cloud = CloudState();
    cloud.reporting = cloudReporting;
}

void Station::Check1_Click()
{
    m_settings.write(keys::KORVANE_AUTOLINK, QString::number(display.Check1.value()));
}

} // namespace korvane
