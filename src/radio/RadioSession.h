#pragma once

#include "platform/Waits.h"

#include "radio/EchoFilter.h"
#include "radio/JsonConsole.h"
#include "radio/RadioFigures.h"
#include "radio/ReplyAssembler.h"
#include "radio/TelnetFilter.h"
#include "radio/TerminalEscapes.h"

#include <QObject>
#include <QString>
#include <QStringDecoder>
#include <QTimer>

#include <functional>

namespace korvane {

class Clock;
class ControllerLink;
class Display;
class EventLog;
class TcpLink;
struct ControllerStatus;
struct RadioSessionState;
struct RadioStats;

// The telnet session to the radio on Winsock1: answers the login prompts,
// recognises the radio family, and turns every reply into RadioStats, the
// radio's MAC and the displays. Telnet negotiation is refused and removed
// before anything reads the text, and so is the radio's echo of what the
// station typed (see EchoFilter); a reply cut by TCP is joined before it is
// read (see ReplyAssembler). Each reply then runs through all the steps in
// order, each on its own, and its event line goes to the log at the end.
class RadioSession : public QObject {
    Q_OBJECT
public:
    using EventLine = std::function<QString(const QString &message)>;

    struct Parts {
        TcpLink &socket;                  // Winsock1
        const ControllerLink &controller; // the radio's position counts only while the board is away
        Display &display;
        EventLog &log;
        const Clock &clock;
        RadioSessionState &radio;
        RadioStats &stats;
        ControllerStatus &status;         // own position, heading arrow, log header flag, RadioKey
        const QString &startCaption;      // the window caption at start-up
        const Scope &scope;
    };

    // Quiet time after which text held without a prompt counts as a reply.
    static constexpr int kQuietGapMs = 250;

    RadioSession(Parts parts, EventLine eventLine, QObject *parent = nullptr);

    void Winsock1_Connect();
    void Winsock1_DataArrival();
    // Bytes as they came off the socket, read at once (tests, fuzzing).
    void receive(const QByteArray &bytes);
    // The steps on one whole reply (what the tests and the fuzz target feed).
    void handleReply(const QString &reply);

    // Text received and not yet a whole reply.
    const QString &pendingText() const { return m_assembler.pending(); }
    // The JSON console's wait between its two login commands.
    void setWait(Wait wait) { m_json.wait = std::move(wait); }
    // A test that holds half a reply on purpose lengthens the quiet gap, so
    // a stalled machine cannot turn the half into a reply of its own.
    void setQuietGapMs(int ms) { m_quietGap.setInterval(ms); }

private:
    QStringList assemble(const QByteArray &bytes);
    void readReplies();
    void quietGapPassed();

    void devicePrompt(const QString &reply, QString &eventLine);
    void iwconfigFigures(const QString &reply);
    void loginPrompt(const QString &reply);
    void passwordPrompt(const QString &reply);
    void rejectedLogin(const QString &reply, QString &eventLine);
    void airOsBanner(const QString &reply, QString &eventLine);
    void airFiberBanner(const QString &reply, QString &eventLine);
    void airOsMac(const QString &reply, QString &eventLine);
    void airOsFigures(const QString &reply);
    void airFiberNoise(const QString &reply);
    void airFiberFigures(const QString &reply);
    void writeLog(const QString &reply, const QString &eventLine);

    void loggedInAs(std::int16_t family, bool showsThroughput, bool consoleLine);
    void showDeviceName(const QString &name);
    void takeOwnPosition(const QString &latitude, const QString &longitude, bool needsWholeDegree);
    bool connected() const;
    bool mayLogIn() const;
    // The reply as the log and the terminal may show it.
    QString withoutPassword(const QString &text) const;

    Parts m_parts;
    EventLine m_eventLine;
    RadioFigures m_figures;
    JsonConsole m_json;
    TelnetFilter m_telnet;
    TerminalEscapes m_escapes;
    EchoFilter m_echo;
    ReplyAssembler m_assembler;
    // Keeps a character cut between two reads for the next read.
    QStringDecoder m_decoder{QStringDecoder::Utf8};
    QTimer m_quietGap;
    // Whole replies not yet read, oldest first.
    QStringList m_ready;
    bool m_readScheduled = false;
};

} // namespace korvane
