#pragma once

#include "app/Station.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/FileReveal.h"
#include "platform/SettingsStore.h"
#include "support/Files.h"
#include "support/Wait.h"

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace korvane::test {

// A clock the test sets by hand (crossing midnight, say).
class FakeClock final : public Clock {
public:
    QDateTime time = QDateTime(QDate(2024, 5, 1), QTime(12, 0, 0));
    QDateTime now() const override { return time; }
};

// Records every box and answers with a preset answer (or, holding, leaves
// it open for someone else to answer).
class RecordingDialogs final : public Dialogs {
public:
    Answer reply = Answer::Ok;
    bool hold = false;
    QStringList shown;

protected:
    void show(const Question &q) override
    {
        shown << q.title + QLatin1Char('|') + q.text;
        if (!hold)
            answer(q.buttons == Buttons::Ok ? Answer::Ok : reply);
    }
};

class RecordingReveal final : public FileReveal {
public:
    QStringList revealed;
    void reveal(const QString &path) override { revealed << path; }
};

// A station on a throw-away settings file and log folder.
class StationFixture {
public:
    StationFixture()
        : settingsPath(QDir(dir.path()).filePath(QStringLiteral("settings.ini")))
    {
        reopenSettings();
    }

    // A fresh store on the same file, as after a restart.
    void reopenSettings() { settings = std::make_unique<SettingsStore>(settingsPath); }

    // Builds the station (after the test has seeded settings) and loads it.
    Station &start(bool load = true)
    {
        station.reset();
        StationEnvironment env;
        env.programName = QStringLiteral("korvane-station");
        env.logFolder = dir.path();
        env.settings = settings.get();
        env.dialogs = &dialogs;
        env.reveal = &reveal;
        env.clock = &clock;
        env.historyFile = historyFile;
        station = std::make_unique<Station>(env);
        if (load)
            station->Form_Load();
        return *station;
    }

    QString logPath() const
    {
        return QDir(dir.path()).filePath(QStringLiteral("korvane-station-%1.log")
                                             .arg(clock.time.date().toString(QStringLiteral("yyyy-MM-dd"))));
    }

    // Today's log as text, empty before the first line.
    QString logText() const { return QString::fromUtf8(readFile(logPath())); }

    QTemporaryDir dir;
    QString settingsPath;
    QString historyFile; // empty: the station keeps no history
    std::unique_ptr<SettingsStore> settings;
    FakeClock clock;
    RecordingDialogs dialogs;
    RecordingReveal reveal;
    std::unique_ptr<Station> station;
};

// The ping tick run to its end: its probes wait a second each, a lookup
// up to its time-outs.
inline bool runPingTick(Station &s, int ms = 20000)
{
    s.Timer_Ping_Timer();
    return waitUntil([&] { return !s.pingTickRunning(); }, ms);
}

// The two-second radio tick run to its end (a CPE probe or reading waits for
// its answer).
inline bool runRadioTick(Station &s, int ms = 10000)
{
    s.Timer2_Timer();
    return waitUntil([&] { return !s.radioPoller.isTicking(); }, ms);
}

} // namespace korvane::test
