#pragma once

#include "radio/RadioFixture.h"

#include "support/SimProcess.h"

namespace korvane::test {

// The station's radio session against the simulated radio, with the timers
// stopped: the test runs the poll tick itself.
class SimRadioSession : public ::testing::Test {
protected:
    static constexpr const char *kPassword = "s3cret-pw";

    // Starts the simulated radio of `family` (exact figures, the station's
    // password) and points the radio socket at it.
    bool startRadio(const char *family, const QStringList &arguments = {})
    {
        if (!sim.start(QStringLiteral("radio"),
                       QStringList{QStringLiteral("--family"), QString::fromLatin1(family), QStringLiteral("--password"),
                                   QString::fromLatin1(kPassword), QStringLiteral("--jitter"), QStringLiteral("0")}
                           + arguments))
            return false;
        s.Winsock1.RemoteHost = QStringLiteral("127.0.0.1");
        s.Winsock1.RemotePort = sim.port();
        return true;
    }

    // Connects and waits until the radio counts `logins` in all.
    bool connectAndLogIn(qint64 logins = 1)
    {
        s.Winsock1.Connect();
        return waitUntil([&] { return sim.statusValue(QStringLiteral("logins")) >= logins && s.radio.loggedIn; },
                         10000);
    }

    // One poll tick, and the wait until the station has read the answer:
    // the byte counters the radio reports grow with every reading.
    bool pollAndRead(const std::function<bool()> &read)
    {
        const qint64 replies = sim.statusValue(QStringLiteral("status_replies"));
        runRadioTick(s);
        return waitUntil([&] { return sim.statusValue(QStringLiteral("status_replies")) > replies && read(); },
                         10000);
    }

    SimProcess sim;
    RadioFixture f{false};
    Station &s = f.station;
};

} // namespace korvane::test
