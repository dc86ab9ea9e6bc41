// The radio session on arbitrary bytes: telnet commands, replies cut
// anywhere, every family's steps. The first byte sets the session up (family,
// logged in, raw view, log header, MAC known); the rest arrives in pieces,
// each led by a length byte, and finally as one reply of its own. One station
// serves every input, so state carried between replies is exercised too.
#include "FuzzStation.h"
#include "radio/ReplyAssembler.h"
#include "text/Encoding.h"

#include <cstdint>
#include <cstdlib>

using namespace korvane;

namespace {

void prepare(Station &s)
{
    // The login's one-second wait would make every input take a second.
    s.radioSession.setWait(test::noWait);
    s.display.Text14.setText(QStringLiteral("ubnt"));
    s.display.Text7.setText(QStringLiteral("pw"));
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
    Station &s = fuzz::fuzzStation(prepare);
    setUp(s, data[0]);
    fuzz::forEachPiece(data + 1, size - 1, [&s](const QByteArray &piece) { s.radioSession.receive(piece); });
    s.radioSession.handleReply(
        Utf8ToUnicode(QByteArray(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(size - 1))));
    if (s.display.Text2.text().size() > 20000 || s.radioSession.pendingText().size() >= ReplyAssembler::kMaxReply
        || !isMac(s.radio.radioMac) || s.radio.rejectedLogins > 3 || s.radio.keyRetryCount > 2)
        std::abort();
    return 0;
}
