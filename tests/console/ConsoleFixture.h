#pragma once

#include "support/LoopbackServer.h"
#include "support/StationFixture.h"
#include "support/Wait.h"

#include "model/SettingKeys.h"

#include <QFile>

#include <gtest/gtest.h>

#include <functional>

#include <ostream>

// Readable failure messages for texts.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace korvane::test {

// Records every box with its icon, answers with a preset answer, and can
// act while a box is open (as an operator might, or as time passes).
class ScriptedDialogs final : public Dialogs {
public:
    Answer answer = Answer::Cancel;
    QStringList titles;
    QStringList texts;
    QList<Icon> icons;
    QList<Answer> defaults; // of the questions only
    QList<bool> yesNoAsked; // of the questions: asked with Yes and No
    std::function<void()> whileOpen;

protected:
    void show(const Question &q) override
    {
        if (q.buttons != Buttons::Ok) {
            defaults << q.defaultAnswer;
            yesNoAsked << (q.buttons == Buttons::YesNo);
        }
        record(q.title, q.text, q.icon);
        Dialogs::answer(q.buttons == Buttons::Ok ? Answer::Ok : answer);
    }

private:
    void record(const QString &title, const QString &text, Icon icon)
    {
        titles << title;
        texts << text;
        icons << icon;
        if (whileOpen)
            whileOpen();
    }
};

// A loaded station whose controller link is up to a loopback board.
class ConsoleFixture {
public:
    ConsoleFixture()
        : settingsPath(QDir(dir.path()).filePath(QStringLiteral("settings.ini"))),
          settings(settingsPath)
    {
    }

    Station &start(bool connectBoard = true)
    {
        StationEnvironment env;
        env.programName = QStringLiteral("korvane-station");
        env.logFolder = dir.path();
        env.settings = &settings;
        env.dialogs = &dialogs;
        env.reveal = &reveal;
        env.clock = &clock;
        env.pointIniFolder = dir.path();
        station = std::make_unique<Station>(env);
        station->Form_Load();
        // Board scripts run without their real pauses here.
        station->initSequence.setWait(noWait);
        station->baseImport.setWait(noWait);
        if (connectBoard)
            connect(station->Winsock2, board);
        return *station;
    }

    static void connect(TcpLink &link, LoopbackServer &server)
    {
        link.RemoteHost = QStringLiteral("127.0.0.1");
        link.RemotePort = server.port();
        link.Connect();
        const bool up = waitUntil([&] { return link.State() == TcpLink::Connected && server.openClients() == 1; });
        EXPECT_TRUE(up) << "loopback peer did not accept";
    }

    void enter(const QString &text)
    {
        station->setControl(QStringLiteral("Combo2"), text);
        station->key(QStringLiteral("Combo2"), 13);
    }

    void button(const QString &text)
    {
        station->setControl(QStringLiteral("Combo2"), text);
        station->click(QStringLiteral("Command3"));
    }

    // Everything the board received up to now: a marker is sent after it
    // and awaited, so nothing still in flight is missed.
    QByteArray boardBytes() { return receivedBy(station->Winsock2, board); }

    static QByteArray receivedBy(TcpLink &link, LoopbackServer &server)
    {
        link.SendBytes(QByteArray(1, kMarker));
        const bool seen = waitUntil([&] { return server.received.endsWith(kMarker); });
        EXPECT_TRUE(seen) << "marker did not arrive";
        const QByteArray bytes = server.received.chopped(seen ? 1 : 0);
        server.received.clear();
        return bytes;
    }

    QStringList logLines() const
    {
        QFile file(QDir(dir.path()).filePath(QStringLiteral("korvane-station-2024-05-01.log")));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
        lines.removeAll(QString());
        return lines;
    }

    static QString eventLine(const QString &message, const QString &time = QStringLiteral("12:00:00"))
    {
        return time + QStringLiteral(" 主机类型(0)事件：") + message;
    }

    static constexpr char kMarker = '\x01';

    QTemporaryDir dir;
    QString settingsPath;
    SettingsStore settings;
    FakeClock clock;
    ScriptedDialogs dialogs;
    RecordingReveal reveal;
    LoopbackServer board;
    std::unique_ptr<Station> station;
};

// Every key a console command may write.
inline const QStringList &consoleKeys()
{
    static const QStringList all = {
        keys::DEVICE_WIRESS_PORT,         keys::CLOUD_HOST,          keys::CLOUD_MODE_IP,
        keys::USE_SHIP_AIS_SCAN_COMP,     keys::USE_SHIP_AIS_SCAN_COMP_TIME,
        keys::USE_SHIP_AIS_SCAN_COMP_ANG, keys::USE_SHIP_AIS_COM,    keys::USE_SHIP_MMSI,
        keys::USE_SHIP_AIS,               keys::USE_SHIP_AIS_DRIVE,  keys::USE_SHIP_AIS_FIXHDG,
        keys::USE_SHIP_AIS_SCAN_AUTO,     keys::USE_SHIP_AIS_SCAN_AUTO_TIME,
        keys::SCAN_STEP,                  keys::ERROR_COMPSAME_REBOOT, keys::PING_100MS_REBOOT,
    };
    return all;
}

} // namespace korvane::test
