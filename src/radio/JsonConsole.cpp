#include "radio/JsonConsole.h"

#include "model/Display.h"
#include "model/ControllerStatus.h"
#include "model/EventLog.h"
#include "platform/TcpLink.h"
#include "radio/JsonConsoleReply.h"
#include "radio/PasswordMask.h"
#include "radio/RadioFigures.h"
#include "model/RadioSessionState.h"
#include "model/RadioStats.h"
#include "radio/TextRadioReplies.h"
#include "text/Formats.h"
#include "text/Numbers.h"

#include <cmath>

namespace korvane {

namespace {

constexpr std::int16_t kRetriesBeforeRelogin = 3;

const QString kLoggedIn = QStringLiteral("微波登录成功！");
const QString kWrongCredentials = QStringLiteral("微波登录用户名或密码错，请检查并修改后点击连接！");
const QString kKeyExpired = QStringLiteral("登录凭据已失效，重新获取微波登录凭据！");
const QString kRebooting = QStringLiteral("微波设备重启指令生效，请等待2分钟左右...");
const QString kCollecting = QStringLiteral("已经登录微波设备，数据持续获取中......");

} // namespace

JsonConsole::JsonConsole(Parts parts, EventLine eventLine)
    : wait(delayIn(&parts.scope)), m_parts(parts), m_eventLine(std::move(eventLine))
{
}

void JsonConsole::handleReply(const QString &reply, QString &eventLine)
{
    const JsonConsoleReply r = readJsonConsoleReply(reply);
    mac(r, eventLine);
    login(r);
    credentialsRejected(r, eventLine);
    keyExpired(r, eventLine);
    rebootAccepted(r, eventLine);
    keyIssued(r, eventLine);
    linkStatus(r);
    deviceName(r, eventLine);
}

void JsonConsole::newSession()
{
    m_loggedName.reset();
}

bool JsonConsole::connected() const
{
    return m_parts.socket.State() == TcpLink::Connected;
}

bool JsonConsole::mayLogIn() const
{
    return connected() && m_parts.radio.rejectedLogins < kMaxRejectedLogins;
}

void JsonConsole::sendLogin()
{
    m_parts.socket.SendData(jsonLoginCommand(m_parts.display.Text14.text(), m_parts.display.Text7.text()));
}

// The login is sent twice, a second apart.
Task<> JsonConsole::loginTwice()
{
    sendLogin();
    m_waiting = true;
    const bool waited = co_await wait(kLoginWaitSeconds);
    m_waiting = false;
    if (waited && connected())
        sendLogin();
}

// After the login's second command: the count starts afresh and the
// operator is told.
Task<> JsonConsole::renewKey()
{
    co_await loginTwice();
    if (m_parts.scope.ended())
        co_return;
    m_parts.radio.keyRetryCount = 0;
    m_parts.log.append(noticeLine(kKeyExpired));
}

QString JsonConsole::noticeLine(const QString &notice)
{
    m_parts.display.Label_NOTE.setText(notice);
    return m_eventLine(m_parts.display.Label_NOTE.text());
}

void JsonConsole::mac(const JsonConsoleReply &r, QString &eventLine)
{
    if (!r.macSeen || !m_parts.radio.radioMac.isEmpty() || m_parts.radio.RadioFamily != RadioFamilyJsonConsole)
        return;
    if (const auto mac = normalisedMac(r.firmwareMac))
        m_parts.radio.radioMac = *mac;
    eventLine = m_eventLine(QStringLiteral("KORVANE_MAC地址：") + m_parts.radio.radioMac);
}

void JsonConsole::login(const JsonConsoleReply &r)
{
    // The console prompts after every reply. After the answer to a login (a
    // key or a rejection) that prompt is no new invitation: the key logs in
    // below, a rejection has its own single retry.
    if (!r.prompt || r.keyIssued || r.credentialsRejected)
        return;
    if (m_parts.radio.loggedIn || m_waiting || !mayLogIn())
        return;
    launch(loginTwice(), "radio login");
}

void JsonConsole::credentialsRejected(const JsonConsoleReply &r, QString &eventLine)
{
    if (!r.credentialsRejected || !connected())
        return;
    if (m_parts.radio.rejectedLogins < kMaxRejectedLogins)
        ++m_parts.radio.rejectedLogins;
    if (m_parts.radio.rejectedLogins < kMaxRejectedLogins)
        sendLogin();
    m_parts.display.radioFeed.lost(QStringLiteral("登录被拒绝"));
    eventLine = noticeLine(kWrongCredentials);
}

void JsonConsole::keyExpired(const JsonConsoleReply &r, QString &eventLine)
{
    if (!r.keyExpired || !connected())
        return;
    if (++m_parts.radio.keyRetryCount < kRetriesBeforeRelogin)
        return;
    if (!m_waiting) {
        launch(renewKey(), "radio key renewal");
        return;
    }
    // A login's wait is running: one command now, and its second follows.
    sendLogin();
    m_parts.radio.keyRetryCount = 0;
    eventLine = noticeLine(kKeyExpired);
}

void JsonConsole::rebootAccepted(const JsonConsoleReply &r, QString &eventLine)
{
    if (!r.accepted || !connected())
        return;
    m_parts.radio.keyRetryCount = 0;
    m_parts.radio.loggedIn = false;
    eventLine = noticeLine(kRebooting);
}

void JsonConsole::keyIssued(const JsonConsoleReply &r, QString &eventLine)
{
    if (!r.keyIssued)
        return;
    RadioSessionState &radio = m_parts.radio;
    m_parts.figures.showThroughputBox(false);
    m_parts.status.RadioKey = r.key;
    radio.keyRetryCount = 0;
    radio.rejectedLogins = 0;
    radio.keyReady = true;
    radio.RadioFamily = RadioFamilyJsonConsole;
    m_parts.display.Label_NOTE.setText(kLoggedIn);
    m_parts.figures.consoleLine(kCollecting);
    radio.loggedIn = true;
    // This family has no byte counters: the throughput box stays off.
    m_parts.display.lanByte.setEnabled(false);
    m_parts.display.lanBytes.setEnabled(false);
    m_parts.socket.SendData(jsonConfigurationCommand(r.key));
    eventLine = m_eventLine(m_parts.display.Label_NOTE.text());
}

void JsonConsole::linkStatus(const JsonConsoleReply &r)
{
    if (!r.linkStatus || m_parts.radio.RadioFamily != RadioFamilyJsonConsole)
        return;
    m_parts.display.radioFeed.reading();
    m_parts.display.Text15.setText(shortestDecimal(r.rxRate) + QStringLiteral(" /") + shortestDecimal(r.txRate));
    m_parts.stats.capacityDownMbps = r.rxRate;
    m_parts.stats.capacityUpMbps = r.txRate;
    if (!(std::floor(r.signal) < 0)) {
        m_parts.figures.showLevel(0);
        return;
    }
    m_parts.display.Text1.setText(shortestDecimal(r.signal));
    m_parts.figures.setSignal(r.signal);
    m_parts.figures.refreshCaption();
    // The second noise figure, when the reply has one, is the one that stands.
    for (const QString &noise : {r.noise, r.noiseAgain}) {
        if (!noise.isEmpty())
            m_parts.figures.showNoise(numberOfText(noise), r.signal);
    }
}

void JsonConsole::deviceName(const JsonConsoleReply &r, QString &eventLine)
{
    if (!r.nameSeen)
        return;
    QString name = r.name + m_parts.status.HeadingArrow;
    const qsizetype quote = name.indexOf(u'"');
    if (quote >= 0)
        name.truncate(quote);
    // A reply without the name's own markers gives an empty name; it must
    // not wipe the one on display.
    const bool usable = !r.name.isEmpty() && !name.contains(QLatin1String("}}console"))
                        && !name.contains(QLatin1String("firversion"));
    if (usable) {
        m_parts.display.Ship.setText(name);
        m_parts.display.Ship.setToolTip(m_parts.display.Ship.text());
    }
    const QString shown =
        withoutPassword(m_parts.display.Ship.text(), {m_parts.display.Text7.text(), m_parts.radio.rememberedPassword});
    // The line names the family too: a family newly recognised logs it again.
    const QString logged = QString::number(m_parts.radio.RadioFamily) + u' ' + shown;
    if (m_loggedName == logged)
        return;
    m_loggedName = logged;
    eventLine = m_eventLine(shown);
}

} // namespace korvane
