#pragma once

#include "app/Station.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/FileReveal.h"
#include "platform/SettingsStore.h"
#include "support/Files.h"

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

// Records every box and answers with a preset answer.
class RecordingDialogs final : public Dialogs {
public:
    Answer answer = Answer::Ok;
    QStringList shown;
    Answer question(const QString &title, const QString &text, Icon, Answer) override
    {
        shown << title + QLatin1Char('|') + text;
        return answer;
    }
    void message(const QString &title, const QString &text, Icon) override
    {
        shown << title + QLatin1Char('|') + text;
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

} // namespace korvane::test
