#pragma once

#include "support/QuietPlatform.h"

#include "app/Station.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"

#include <QDir>
#include <QString>

#include <memory>

namespace korvane::test {

// A station as the benchmarks run it: the real clock, boxes nobody sees,
// settings and log in `folder`, and its timers stopped so the bench drives
// the handlers itself. Settings are seeded before start().
class BenchStation {
public:
    BenchStation(const QString &folder, const QString &programName, const QString &aisPort = {})
        : settings(QDir(folder).filePath(QStringLiteral("bench.ini"))),
          m_folder(folder),
          m_programName(programName),
          m_aisPort(aisPort)
    {
    }

    Station &start()
    {
        StationEnvironment env;
        env.programName = m_programName;
        env.logFolder = m_folder;
        env.settings = &settings;
        env.dialogs = &m_dialogs;
        env.reveal = &m_reveal;
        env.clock = &m_clock;
        env.aisPort = m_aisPort;
        m_station = std::make_unique<Station>(env);
        m_station->Form_Load();
        stopTimers(*m_station);
        return *m_station;
    }

    SettingsStore settings;

private:
    QString m_folder;
    QString m_programName;
    QString m_aisPort;
    SystemClock m_clock;
    QuietDialogs m_dialogs;
    NoReveal m_reveal;
    std::unique_ptr<Station> m_station;
};

} // namespace korvane::test
