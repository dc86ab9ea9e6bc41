// Logins against the simulated radio: the login is shown and logged once a
// session, and after rejected logins the connect button logs in afresh.
#include "radio/SimRadioSession.h"

using namespace korvane;
using namespace korvane::test;

namespace {

const QString kLoggedIn = QStringLiteral("微波登录成功！");
const QString kWrongCredentials = QStringLiteral("微波登录用户名或密码错，请检查并修改后点击连接！");

class LoginOnce : public SimRadioSession {};

// The airFiber's prompt ends every reply, the poll's replies too.
TEST_F(LoginOnce, AirFiberLoginIsLoggedOncePerSession)
{
    ASSERT_TRUE(startRadio("airfiber"));
    for (int session = 1; session <= 2; ++session) {
        SCOPED_TRACE(session);
        ASSERT_TRUE(connectAndLogIn(session));
        ASSERT_TRUE(waitUntil([&] { return f.log().count(kLoggedIn) == session; })) << qPrintable(f.log());
        s.display.Label_NOTE.setText(QStringLiteral("other notice"));
        for (int poll = 0; poll < 3; ++poll) {
            const double rx = s.radioStats.lastRxBytes;
            ASSERT_TRUE(pollAndRead([&] { return s.radioStats.lastRxBytes != rx; }));
        }
        EXPECT_EQ(f.log().count(kLoggedIn), session) << qPrintable(f.log());
        EXPECT_EQ(s.display.Label_NOTE.text(), QStringLiteral("other notice"));
        EXPECT_EQ(s.radio.RadioFamily, RadioFamilyAirFiber);
        EXPECT_TRUE(s.radio.loggedIn);
        // The radio drops the session; the next one is a login of its own.
        ASSERT_TRUE(sim.controlAcknowledged(QStringLiteral("drop")));
        ASSERT_TRUE(waitUntil([&] { return s.Winsock1.State() != TcpLink::Connected; }));
        s.Timer1_Timer(); // the supervision sees the session gone
        s.Winsock1.Close();
    }
}

TEST_F(LoginOnce, ConnectAfterRejectedLoginsLogsInAfresh)
{
    ASSERT_TRUE(startRadio("airos", {QStringLiteral("--password"), QStringLiteral("old-pw")}));
    s.display.Text3.setText(QStringLiteral("127.0.0.1"));
    s.click(QStringLiteral("Command1"));
    ASSERT_TRUE(waitUntil([&] {
        return sim.statusValue(QStringLiteral("failed_logins")) == JsonConsole::kMaxRejectedLogins
               && s.radio.rejectedLogins == JsonConsole::kMaxRejectedLogins;
    }, 10000)) << qPrintable(f.log());
    EXPECT_EQ(s.display.Label_NOTE.text(), kWrongCredentials);
    EXPECT_EQ(s.Winsock1.State(), TcpLink::Connected) << "the radio waits at its login prompt";

    // The operator sets the station's password on the radio and presses
    // connect with the boxes unchanged.
    ASSERT_TRUE(sim.controlAcknowledged(QStringLiteral("password ") + QLatin1String(kPassword)));
    s.click(QStringLiteral("Command1"));
    ASSERT_TRUE(waitUntil([&] { return sim.statusValue(QStringLiteral("logins")) == 1 && s.radio.loggedIn; }, 10000))
        << qPrintable(f.log());
    EXPECT_EQ(s.radio.RadioFamily, RadioFamilyAirOs);
    EXPECT_EQ(s.display.Label_NOTE.text(), kLoggedIn);
    EXPECT_EQ(s.radio.rejectedLogins, 0);

    // A working session is left alone by the next press.
    const qint64 accepted = sim.statusValue(QStringLiteral("accepted"));
    s.click(QStringLiteral("Command1"));
    ASSERT_TRUE(pollAndRead([&] { return s.radioStats.lastRxBytes > 0; }));
    EXPECT_EQ(sim.statusValue(QStringLiteral("accepted")), accepted);
    EXPECT_EQ(sim.statusValue(QStringLiteral("logins")), 1);
}

} // namespace
