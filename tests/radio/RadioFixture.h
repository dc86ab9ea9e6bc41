#pragma once

#include "support/LoopbackServer.h"
#include "support/StationFixture.h"
#include "support/TestDataFile.h"
#include "support/Wait.h"

#include <QFile>

#include <gtest/gtest.h>

#include <ostream>

// Readable failure messages for texts.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace korvane::test {

// A loaded station whose radio socket is connected to a loopback peer that
// records what the station sends. The timers are stopped: only the radio
// handler runs.
class RadioFixture {
public:
    explicit RadioFixture(bool connectRadio = true)
        : station(fixture.start())
    {
        for (QTimer *t : {&station.Timer1, &station.blink, &station.Timer2, &station.GET_SIGN, &station.Timer_Ping,
                          &station.Timer_AutoScan, &station.Timer_Cloud})
            t->stop();
        station.display.Text14.setText(QStringLiteral("ubnt"));
        station.display.Text7.setText(QStringLiteral("s3cret-pw"));
        if (connectRadio)
            connect();
    }

    void connect()
    {
        station.Winsock1.RemoteHost = QStringLiteral("127.0.0.1");
        station.Winsock1.RemotePort = peer.port();
        peer.received.clear();
        station.Winsock1.Connect();
        // The connect handler's CR LF marks the session as open on both ends.
        EXPECT_TRUE(waitUntil([&] { return peer.received.endsWith("\r\n") && peer.openClients() == 1; }));
        peer.received.clear();
    }

    void reply(const QString &text) { station.radioSession.handleReply(text); }

    // What the station sent, once `bytes` have arrived at the peer.
    QByteArray sentAfter(qsizetype bytes, int ms = 3000)
    {
        waitUntil([&] { return peer.received.size() >= bytes; }, ms);
        return peer.received;
    }

    QString log() const { return fixture.logText(); }

    StationFixture fixture;
    Station &station;
    LoopbackServer peer;
};

// Everything `peer` received from `link`, up to a marker sent after it: the
// marker shows that all before it has arrived.
inline QByteArray upToMarker(TcpLink &link, LoopbackServer &peer)
{
    const QByteArray marker = "#end#";
    link.SendBytes(marker);
    EXPECT_TRUE(waitUntil([&] { return peer.received.endsWith(marker); }));
    return peer.received.chopped(marker.size());
}

// A recorded radio sample, as bytes.
inline QByteArray sampleBytes(const QString &name)
{
    return testDataBytes(QStringLiteral("radio/") + name);
}

// LF line ends as a terminal session delivers them: CR LF.
inline QString asTerminal(const QByteArray &bytes)
{
    QString text = QString::fromUtf8(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return text;
}

} // namespace korvane::test
