#pragma once

#include "support/LoopbackServer.h"
#include "support/StationFixture.h"
#include "support/Wait.h"

#include "model/SettingKeys.h"
#include "cloud/CloudServer.h"

#include <QFile>

#include <gtest/gtest.h>

namespace korvane::test {

// A station whose every cloud address (server name, fallback address,
// CLOUD_HOST) is a loopback server of the test, a loopback stand-in for the
// radio's telnet port, and a loopback board. Reporting is on; ticks are
// driven by hand.
class CloudFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        fx.settings->write(cloudserver::CLOUD_SERVER_NAME, loopback(nameServer));
        fx.settings->write(cloudserver::CLOUD_SERVER_IP, loopback(addressServer));
        fx.settings->write(keys::CLOUD_HOST, loopback(hostServer));
        station = &fx.start(false);
        station->cloud.reporting = true;
    }

    static QString loopback(const LoopbackServer &server)
    {
        return QStringLiteral("127.0.0.1:%1").arg(server.port());
    }

    static bool connectTo(TcpLink &link, const LoopbackServer &server)
    {
        link.RemoteHost = QStringLiteral("127.0.0.1");
        link.RemotePort = server.port();
        link.Connect();
        return waitUntil([&] { return link.State() == TcpLink::Connected; });
    }

    bool connectRadio() { return connectTo(station->Winsock1, radioPeer); }

    void tick() { station->Timer_Cloud_Timer(); }

    // Waits until `server` holds `count` whole requests.
    static bool waitForRequests(const LoopbackServer &server, int count = 1)
    {
        return waitUntil([&] { return server.received.count("\r\n\r\n") >= count; });
    }

    static QByteArray request(const QByteArray &query, const QString &host)
    {
        return "GET /ship/?" + query + " HTTP/1.1\r\nHost: " + host.toLatin1()
               + "\r\nConnection: close\r\nUser-Agent: Mozilla/5.0 (Windows NT 10.0; Win64; x64) "
                 "AppleWebKit/537.36 (KHTML, like Gecko) Chrome/91.0.4472.124 Safari/537.36\r\n"
                 "Accept: */*\r\n\r\n";
    }

    QString logText() const { return fx.logText(); }

    LoopbackServer nameServer;
    LoopbackServer addressServer;
    LoopbackServer hostServer;
    LoopbackServer radioPeer;
    LoopbackServer board;
    StationFixture fx;
    Station *station = nullptr;
};

} // namespace korvane::test
