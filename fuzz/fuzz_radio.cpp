// The radio session on arbitrary bytes: telnet commands, replies cut
// anywhere, every family's steps. The first byte sets the session up (family,
// logged in, raw view, log header, MAC known); the rest arrives in pieces,
// each led by a length byte, and finally as one reply of its own. One station
// serves every input, so state carried between replies is exercised too.
#include "app/Station.h"
#include "support/QuietPlatform.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/FileReveal.h"
#include "platform/SettingsStore.h"
#include "radio/ReplyAssembler.h"
#include "text/Encoding.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

using namespace korvane;
using korvane::test::NoReveal;
using korvane::test::QuietDialogs;

namespace {

struct Harness {
    Harness()
        : settings(QDir(dir.path()).filePath(QStringLiteral("s.ini")))
    {
        // A log folder that cannot exist: millions of inputs must not fill
        // the disk, and the failing append is exercised instead.
        env.programName = QStringLiteral("fuzz");
        env.logFolder = QDir(dir.path()).filePath(QStringLiteral("s.ini/none"));
        env.settings = &settings;
        env.dialogs = &dialogs;
        env.reveal = &reveal;
        env.clock = &clock;
        station = std::make_unique<Station>(env);
        station->Form_Load();
        korvane::test::stopTimers(*station);
        // The login's one-second wait would make every input take a second.
        station->radioSession.setWait([](float) {});
        station->display.Text14.setText(QStringLiteral("ubnt"));
        station->display.Text7.setText(QStringLiteral("pw"));
    }
    QTemporaryDir dir;
    SettingsStore settings;
    SystemClock clock;
    QuietDialogs dialogs;
    NoReveal reveal;
    StationEnvironment env;
    std::unique_ptr<Station> station;
};

Harness &harness()
{
    static int argc = 1;
    static char name[] = "fuzz_radio";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static Harness h;
    return h;
}

void setUp(Station &s, std::uint8_t b)
{
    s.radio.RadioFamily = static_cast<std::int16_t>(b % 6);
    s.radio.loggedIn = (b & 0x08) != 0;
    s.display.Combo2.setText((b & 0x10) != 0 ? QStringLiteral("aaa") : QString());
    s.controllerStatus.linkHeaderWritten = (b & 0x20) != 0;
    if ((b & 0x40) == 0)
        s.radio.radioMac.clear();
}

bool isMac(const QString &mac)
{
    if (mac.isEmpty())
        return true;
    if (mac.size() != 12)
        return false;
    for (const QChar c : mac) {
        if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F')))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    Harness &h = harness();
    Station &s = *h.station;
    setUp(s, data[0]);
    std::size_t i = 1;
    while (i < size) {
        const std::size_t length = 1 + static_cast<std::size_t>(data[i]) * 4;
        ++i;
        const std::size_t take = std::min(length, size - i);
        s.radioSession.receive(QByteArray(reinterpret_cast<const char *>(data + i), static_cast<qsizetype>(take)));
        i += take;
    }
    s.radioSession.handleReply(
        Utf8ToUnicode(QByteArray(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(size - 1))));
    if (s.display.Text2.text().size() > 20000 || s.radioSession.pendingText().size() >= ReplyAssembler::kMaxReply
        || !isMac(s.radio.radioMac) || s.radio.rejectedLogins > 3 || s.radio.keyRetryCount > 2)
        std::abort();
    return 0;
}
