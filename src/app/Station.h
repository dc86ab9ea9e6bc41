#pragma once

#include "model/Display.h"
#include "model/EventLog.h"
#include "model/LinkHealth.h"
#include "model/StationCounters.h"
#include "app/StartupSettings.h"
#include "app/WindowHandlers.h"
#include "cloud/CloudReporter.h"
#include "model/CloudState.h"
#include "console/CommandConsole.h"
#include "console/SettingCommands.h"
#include "controller/BaseImport.h"
#include "link/ControllerLink.h"
#include "model/ControllerStatus.h"
#include "controller/InitSequence.h"
#include "controller/ManualDrive.h"
#include "controller/StatusParser.h"
#include "history/Sample.h"
#include "nav/AisHeadingSaver.h"
#include "model/AisState.h"
#include "nav/SerialAisReceiver.h"
#include "nav/WebShipTracker.h"
#include "optimise/AutoScan.h"
#include "model/OptimisationState.h"
#include "optimise/SignalComparison.h"
#include "platform/Http.h"
#include "platform/SerialLink.h"
#include "platform/TcpLink.h"
#include "radio/LinkSupervisor.h"
#include "radio/PingWatchdog.h"
#include "radio/RadioPoller.h"
#include "radio/RadioSession.h"
#include "model/RadioSessionState.h"
#include "model/RadioStats.h"

#include <QObject>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>
#include <memory>

namespace korvane {

class Clock;
class Dialogs;
class FileReveal;
class ProcessServices;
class SerialPortLister;
class SettingsStore;

namespace history {
class HistoryStore;
class LogCompressor;
class LogPruner;
class Sampler;
} // namespace history

// What the station needs from its surroundings; main() and tests build it.
struct StationEnvironment {
    QString programName;  // the executable's base name
    QString logFolder;    // where the daily logs go
    SettingsStore *settings = nullptr;
    Dialogs *dialogs = nullptr;
    FileReveal *reveal = nullptr;
    const Clock *clock = nullptr;
    ProcessServices *processes = nullptr;
    QString pointIniFolder; // where IMPORT looks for POINT.INI first; then beside the settings, here, beside the executable
    // Multiplies every timer interval (tests and demos run time faster with
    // values below 1); 1 in service.
    double timeScale = 1.0;
    // The AIS receiver's port for this run, by name or device path; opened
    // without the discovery check when it is a path. Empty: USE_SHIP_AIS_COM.
    QString aisPort;
    // Where serial-port discovery looks; null: the system's ports.
    const SerialPortLister *serialPorts = nullptr;
    // The history file (figures and events over time); empty: no history.
    QString historyFile;
};

// The station: owns the state records, the sockets, the timers and the
// handler classes, and wires them together.
class Station : public QObject {
    Q_OBJECT
public:
    explicit Station(const StationEnvironment &env, QObject *parent = nullptr);
    ~Station() override;

    // Start-up. False when the operator chose to end this copy; done at once
    // unless another copy runs and the operator is asked.
    Task<bool> Form_Load();

    // The event line: time, radio family and message, ending in CR LF.
    QString eventLine(const QString &message) const;

    // Operator actions, by control name; false for an unknown action.
    bool click(const QString &control, int index = -1);
    bool setControl(const QString &control, const QString &value);
    bool key(const QString &control, int code);
    void pick(const QString &text);

    // The scope of every wait the station's sequences are in; ended first
    // when the station goes.
    Scope waits;
    Display display;
    ControllerStatus controllerStatus;
    RadioStats radioStats;
    RadioSessionState radio;
    OptimisationState optimisation;
    AisState ais;
    CloudState cloud;
    LinkHealth links;
    StationCounters counters;
    std::int16_t compassRebootSwitch = 0;
    std::int16_t pingRebootSwitch = 0;
    QString caption; // the window caption, as the radio handlers read it

    TcpLink Winsock1{QStringLiteral("Winsock1")};
    TcpLink Winsock2{QStringLiteral("Winsock2")};
    TcpLink Winsock_test{QStringLiteral("Winsock_test")};
    TcpLink Winsock_Cloud{QStringLiteral("Winsock_Cloud")};
    SerialLink MSComm1;
    Http http;

    QTimer Timer1;
    QTimer blink;
    QTimer Timer2;
    QTimer GET_SIGN;
    QTimer Timer_Ping;
    QTimer Timer_AutoScan;
    QTimer Timer_Cloud;
    // Ages the peers' readings and watches the signal, twice a second.
    QTimer feedCheck;

    EventLog log;
    ControllerLink controllerLink;
    StatusParser statusParser;
    ManualDrive manualDrive;
    SettingCommands settingCommands;
    InitSequence initSequence;
    BaseImport baseImport;
    CommandConsole console;
    WindowHandlers windowHandlers;
    RadioSession radioSession;
    PingWatchdog pingWatchdog;
    LinkSupervisor linkSupervisor;
    AisHeadingSaver aisHeadingSaver;
    SerialAisReceiver serialAis;
    WebShipTracker webShip;
    RadioPoller radioPoller;
    CloudReporter cloudReporter;
    SignalComparison signalComparison;
    AutoScan autoScan;

    SettingsStore &settings() { return m_settings; }
    const StationEnvironment &environment() const { return m_env; }

    void Check1_Click();
    void CHK_SHIP_AIS_Click();
    void SHIP_AIS_DRIVE_Click();

    void Timer1_Timer();
    void blink_Timer();
    void Timer2_Timer();
    void GET_SIGN_Timer();
    void Timer_Ping_Timer();
    void Timer_AutoScan_Timer();
    void Timer_Cloud_Timer();
    // The ping tick's probes or lookups are still out.
    bool pingTickRunning() const { return m_pingTickRunning; }

    // The history file's writer and its one-a-second sampler; null without
    // a history file.
    std::unique_ptr<history::HistoryStore> historyStore;
    std::unique_ptr<history::Sampler> historySampler;
    std::unique_ptr<history::LogPruner> logPruner;
    std::unique_ptr<history::LogCompressor> logCompressor;
    QTimer historyBatch;
    // Every figure the station holds now, unknown ones empty.
    history::Sample historySample() const;
    // The headless console's summary of the last minutes, read off the
    // event loop and handed to `done` when it is ready.
    void historyLine(int minutes, std::function<void(const QString &)> done);

private:
    void startHistory();
    void recordLogLine(const QString &line);
    void historyNotice(const QString &text);
    void clockJumped(qint64 byMs, const QDateTime &from, const QDateTime &to);
    // The ring's centre: back to automatic drive, as a history event.
    void historyAutoDrive();

    Task<bool> checkSingleInstance();
    Task<> pingTick();
    void loadConnectionFields(const StartupSettings &s);
    void loadShipToShip(const StartupSettings &s);
    void loadOptimisation(const StartupSettings &s);
    void openAisPortAtStart(const StartupSettings &s);
    void resetRuntimeState();
    void setupTimers();
    void setShipBox(const QString &control, int value);
    void setupLinkWatch();
    void setupSurveyGuard();
    void releaseUnfinishedSurvey();
    void checkFeeds();
    void showLostLinksRed();
    void dropSilentRadio();
    void checkSignal();
    void linkEvent(const QString &message, bool notice);
    void showCloudStatus();
public:
    // No report went out in the last period and a half (reporting off, the
    // radio lost): the cloud's state is unknown, not good.
    bool cloudUnreported() const;
    // The program is ending: a survey under way gives the board back to
    // automatic drive. Called on a stop signal and again on destruction.
    void endSurveyAtExit();
private:

    StationEnvironment m_env;
    SettingsStore &m_settings;
    // The ping tick's supervision and lookups are out: a tick arriving
    // meanwhile starts none of its own.
    bool m_pingTickRunning = false;
    // True while an operator action runs: its log lines are the operator's.
    bool m_operatorAction = false;
    // The day the daily logs were last pruned and compressed.
    QDate m_lastLogDay;
    // Since when the signal has been below the floor while the radio answers.
    QElapsedTimer m_signalBadSince;
    // Since the radio's console socket last connected.
    QElapsedTimer m_radioConnected;
    // Since the console last sent anything.
    QElapsedTimer m_radioBytes;
};

} // namespace korvane
