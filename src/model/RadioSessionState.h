#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

namespace korvane {

// RadioFamily codes.
enum : std::int16_t {
    RadioFamilyUnknown = 0,
    RadioFamilyAirOs = 1,
    RadioFamilyAirFiber = 2,
    RadioFamilyJsonConsole = 3,
    RadioFamilyIwconfig = 4,
    RadioFamilyCpe = 5,
};

// The telnet session to the radio and what it has learnt.
struct RadioSessionState {
    std::int16_t RadioFamily = RadioFamilyUnknown;
    bool loggedIn = false;
    // No reading for three polls, or the link is gone: the figures on show
    // are the last ones, not the radio's now.
    bool figuresStale = false;
    QString radioMac;
    QString cpeStatusText;
    // Copies of the radio user and password taken at start-up and on every
    // reconnect of the radio, to notice a change.
    QString rememberedUser;
    QString rememberedPassword;
    // JSON console: the session key is ControllerStatus::RadioKey.
    bool keyReady = false;
    std::int16_t keyRetryCount = 0;
    // Rejected logins since the last connect (or JSON key); past a few the
    // station stops retrying until the operator connects again.
    std::int16_t rejectedLogins = 0;
    // The signal-bar glyphs, index 1 to 5; index 0 is the empty bar.
    std::array<QString, 6> signalBars;
    // CPE identification: when the last probe started (invalid: none yet).
    QElapsedTimer lastCpeProbe;
    // CPE counter snapshot.
    std::int64_t cpePrevRxBytes = 0;
    std::int64_t cpePrevTxBytes = 0;
    // Ping watchdog.
    std::array<std::int32_t, 100> pingWindow{};
    std::int16_t pingCount = 0;
    std::int32_t pingSum = 0;
};

} // namespace korvane
