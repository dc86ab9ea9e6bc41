#include "radio/RadioSession.h"

#include "model/Display.h"
#include "model/EventLog.h"
#include "model/ControllerStatus.h"
#include "platform/Clock.h"
#include "platform/TcpLink.h"
#include "radio/PasswordMask.h"
#include "model/RadioSessionState.h"
#include "model/RadioStats.h"
#include "radio/TextRadioReplies.h"
#include "text/Formats.h"

namespace korvane {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kLoggedIn = QStringLiteral("微波登录成功！");
const QString kCollecting = QStringLiteral("已经登录微波设备，数据持续获取中......");
const QString kWrongCredentials = QStringLiteral("微波登录用户名或密码错，请检查并修改后点击连接！");
const char *const kDevicePrompts[] = {"000004 login:", "94828A login:", "040506 login:"};

bool has(const QString &text, const char *what)
{
    return text.contains(QLatin1String(what));
}

} // namespace

RadioSession::RadioSession(Parts parts, EventLine eventLine, QObject *parent)
    : QObject(parent),
      m_parts(parts),
      m_eventLine(std::move(eventLine)),
      m_figures({parts.display, parts.stats, parts.radio, parts.clock, parts.startCaption}),
      m_json({parts.socket, parts.display, parts.radio, parts.stats, parts.status, m_figures, parts.log, parts.scope},
             m_eventLine)
{
    m_quietGap.setSingleShot(true);
    m_quietGap.setInterval(kQuietGapMs);
    connect(&m_quietGap, &QTimer::timeout, this, &RadioSession::quietGapPassed);
    connect(&parts.socket, &TcpLink::textSent, this,
            [this](const QByteArray &bytes) { m_echo.expect(QString::fromLatin1(bytes)); });
}

void RadioSession::Winsock1_Connect()
{
    // A new connection starts from nothing: no half command, no half reply.
    m_telnet.reset();
    m_escapes.reset();
    m_echo.clear();
    m_assembler.clear();
    m_ready.clear();
    m_quietGap.stop();
    m_decoder.resetState();
    m_parts.radio.rejectedLogins = 0;
    // The counters of an earlier session are no base: their difference spans
    // the whole gap and would read as a burst of throughput.
    m_parts.stats.forgetCounterBase();
    m_parts.stats.figuresRead = false;
    m_parts.stats.throughputRead = false;
    m_json.newSession();
    m_parts.socket.SendData(kCrLf);
    m_parts.radio.loggedIn = false;
}

// The replies are read after the socket's data handler has returned: the
// socket announces no new data while that handler runs, and the JSON
// console's login waits for replies that arrive during its wait.
void RadioSession::Winsock1_DataArrival()
{
    m_ready += assemble(m_parts.socket.GetData());
    if (m_ready.isEmpty() || m_readScheduled)
        return;
    m_readScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_readScheduled = false;
            readReplies();
        },
        Qt::QueuedConnection);
}

void RadioSession::receive(const QByteArray &bytes)
{
    m_ready += assemble(bytes);
    readReplies();
}

QStringList RadioSession::assemble(const QByteArray &bytes)
{
    const TelnetFilter::Result filtered = m_telnet.feed(bytes);
    if (!filtered.answer.isEmpty())
        m_parts.socket.SendBytes(filtered.answer);
    const QStringList replies = m_assembler.append(m_echo.feed(m_escapes.feed(m_decoder.decode(filtered.data))));
    if (m_assembler.pending().isEmpty() && !m_echo.holding())
        m_quietGap.stop();
    else
        m_quietGap.start();
    return replies;
}

void RadioSession::readReplies()
{
    // A reply's steps may wait; replies arriving meanwhile are read inside
    // that wait, still in order.
    while (!m_ready.isEmpty())
        handleReply(m_ready.takeFirst());
}

void RadioSession::quietGapPassed()
{
    m_ready += m_assembler.append(m_echo.flush());
    const QString reply = m_assembler.flush();
    if (!reply.isEmpty())
        m_ready << reply;
    readReplies();
}

void RadioSession::handleReply(const QString &reply)
{
    // Steps prepare the reply's log line in turn; the last one prepared stands.
    QString eventLine;
    devicePrompt(reply, eventLine);
    iwconfigFigures(reply);
    loginPrompt(reply);
    passwordPrompt(reply);
    rejectedLogin(reply, eventLine);
    airOsBanner(reply, eventLine);
    airFiberBanner(reply, eventLine);
    airOsMac(reply, eventLine);
    airOsFigures(reply);
    airFiberNoise(reply);
    airFiberFigures(reply);
    m_json.handleReply(reply, eventLine);
    writeLog(reply, eventLine);
}

bool RadioSession::connected() const
{
    return m_parts.socket.State() == TcpLink::Connected;
}

void RadioSession::loggedInAs(std::int16_t family, bool showsThroughput, bool consoleLine)
{
    m_parts.radio.RadioFamily = family;
    if (showsThroughput)
        m_figures.showThroughputBox(true);
    m_parts.display.Label_NOTE.setText(kLoggedIn);
    m_parts.radio.loggedIn = true;
    if (consoleLine)
        m_figures.consoleLine(kCollecting);
}

void RadioSession::devicePrompt(const QString &reply, QString &eventLine)
{
    bool found = false;
    for (const char *prompt : kDevicePrompts)
        found = found || has(reply, prompt);
    // Past the last rejected login the prompt is the radio asking again
    // after the station stopped answering: nobody is logged in.
    if (!found || m_parts.radio.rejectedLogins >= JsonConsole::kMaxRejectedLogins)
        return;
    loggedInAs(RadioFamilyIwconfig, true, true);
    eventLine = m_eventLine(m_parts.display.Label_NOTE.text());
}

// A radio that rejects the login asks again at once; past a few rejections
// the station waits for the operator (a new connection) instead of trying
// the same credentials at network speed.
bool RadioSession::mayLogIn() const
{
    return connected() && m_parts.radio.rejectedLogins < JsonConsole::kMaxRejectedLogins;
}

void RadioSession::loginPrompt(const QString &reply)
{
    if (has(reply, "login:") && mayLogIn())
        m_parts.socket.SendData(m_parts.display.Text14.text() + kCrLf);
}

void RadioSession::passwordPrompt(const QString &reply)
{
    if (has(reply, "Password:") && mayLogIn())
        m_parts.socket.SendData(m_parts.display.Text7.text() + kCrLf);
}

// Every telnet family counts its rejections; only the CPE has no telnet login.
void RadioSession::rejectedLogin(const QString &reply, QString &eventLine)
{
    if (!has(reply, "Login incorrect") || m_parts.radio.RadioFamily == RadioFamilyCpe)
        return;
    if (m_parts.radio.rejectedLogins < JsonConsole::kMaxRejectedLogins)
        ++m_parts.radio.rejectedLogins;
    // The iwconfig radio's prompt in the same reply marked the session
    // logged in; the rejection says it is not, so no poll goes to a prompt.
    m_parts.radio.loggedIn = false;
    m_parts.display.radioFeed.lost(QStringLiteral("登录被拒绝"));
    m_parts.display.Label_NOTE.setText(kWrongCredentials);
    eventLine = m_eventLine(m_parts.display.Label_NOTE.text());
}

void RadioSession::airOsBanner(const QString &reply, QString &eventLine)
{
    if (!has(reply, " Welcome to airOS"))
        return;
    loggedInAs(RadioFamilyAirOs, true, true);
    eventLine = m_eventLine(m_parts.display.Label_NOTE.text());
}

void RadioSession::airFiberBanner(const QString &reply, QString &eventLine)
{
    // The airFiber's prompt ends every reply, not only the login: it is the
    // login only while the session is not yet logged in as an airFiber.
    if (!has(reply, "af5xhd.") || (m_parts.radio.loggedIn && m_parts.radio.RadioFamily == RadioFamilyAirFiber))
        return;
    loggedInAs(RadioFamilyAirFiber, false, false);
    eventLine = m_eventLine(m_parts.display.Label_NOTE.text());
}

void RadioSession::airOsMac(const QString &reply, QString &eventLine)
{
    const QString candidate = deviceIdText(reply);
    if (candidate.isEmpty() || !m_parts.radio.radioMac.isEmpty())
        return;
    if (const auto mac = normalisedMac(candidate))
        m_parts.radio.radioMac = *mac;
    eventLine = m_eventLine(QStringLiteral("KORVANE_MAC地址：") + m_parts.radio.radioMac);
}

QString RadioSession::withoutPassword(const QString &text) const
{
    return korvane::withoutPassword(text, {m_parts.display.Text7.text(), m_parts.radio.rememberedPassword});
}

void RadioSession::writeLog(const QString &reply, const QString &eventLine)
{
    ControllerStatus &status = m_parts.status;
    if (status.linkHeaderWritten) {
        m_parts.log.append(eventLine);
        return;
    }
    const Display &d = m_parts.display;
    m_parts.log.append(QStringLiteral("======  ") + dateTimeText(m_parts.clock.now()) + QStringLiteral("  ")
                       + d.Text4.text() + QStringLiteral("  ") + d.Text10.text()
                       + QStringLiteral("  ====== 微波设备：IP ") + d.Text3.text() + QStringLiteral("  信号")
                       + d.Text1.text() + QStringLiteral(" 带宽") + d.Text15.text()
                       + QStringLiteral(" 实时吞吐量数据") + d.lanByte.text().trimmed() + QStringLiteral(" 设备"));
    status.linkHeaderWritten = true;
    m_parts.log.append(withoutPassword(reply));
    m_parts.log.append(eventLine);
    m_parts.display.Label4.setText(QStringLiteral("超级终端（日志）"));
}

} // namespace korvane
