#pragma once

// One station per fuzz process, built on first use. It lives in a throw-away
// folder, its boxes answer themselves and its timers stand still, so each
// input drives exactly the handler the target calls.
#include "app/Station.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "support/QuietPlatform.h"
#include "support/Wait.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdint>
#include <functional>
#include <memory>

namespace korvane::fuzz {

struct FuzzStation {
    explicit FuzzStation(bool load)
        : settings(QDir(dir.path()).filePath(QStringLiteral("s.ini")))
    {
        // The log folder is a path that cannot exist, so millions of inputs
        // do not fill the disk; the failing append is exercised instead.
        env.programName = QStringLiteral("fuzz");
        env.logFolder = QDir(dir.path()).filePath(QStringLiteral("s.ini/none"));
        env.settings = &settings;
        env.dialogs = &dialogs;
        env.reveal = &reveal;
        env.clock = &clock;
        env.pointIniFolder = dir.path();
        station = std::make_unique<Station>(env);
        if (load) {
            station->Form_Load();
            korvane::test::stopTimers(*station);
        }
    }
    QTemporaryDir dir;
    SettingsStore settings;
    SystemClock clock;
    korvane::test::QuietDialogs dialogs;
    korvane::test::NoReveal reveal;
    StationEnvironment env;
    std::unique_ptr<Station> station;
};

// The process's station; `prepare` runs once, right after it is built.
// `load` false leaves it as constructed, without the start-up steps.
inline Station &fuzzStation(const std::function<void(Station &)> &prepare = {}, bool load = true)
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static FuzzStation harness(load);
    static const bool prepared = [&] {
        if (prepare)
            prepare(*harness.station);
        return true;
    }();
    (void)prepared;
    return *harness.station;
}

// Cuts `data` into pieces, each led by a byte that sets its length, and
// hands them on in order: replies and streams arrive split anywhere.
inline void forEachPiece(const std::uint8_t *data, std::size_t size,
                         const std::function<void(const QByteArray &)> &piece)
{
    std::size_t i = 0;
    while (i < size) {
        const std::size_t length = 1 + static_cast<std::size_t>(data[i]) * 4;
        ++i;
        const std::size_t take = std::min(length, size - i);
        piece(QByteArray(reinterpret_cast<const char *>(data + i), static_cast<qsizetype>(take)));
        i += take;
    }
}

} // namespace korvane::fuzz
