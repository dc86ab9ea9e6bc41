// The cloud server's reply, as the report's data event handles it, on
// arbitrary bytes followed by the server closing: no crash, the notice one
// line never longer than its lead and 50 characters, shown exactly when the
// reply is not taken for success, and the connection closed every time.
#include "FuzzStation.h"
#include "cloud/CloudReply.h"

#include <cstdint>
#include <cstdlib>

using namespace korvane;

namespace {

const QString kLead = QStringLiteral("提交云平台失败 (Winsock): ");
const QString kUntouched = QStringLiteral("untouched");

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Station &station = fuzz::fuzzStation({}, false);
    const QByteArray reply(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    Control &note = station.display.Label_NOTE;
    note.setText(kUntouched);
    station.cloud.reply.clear();
    station.cloud.awaitingReply = true;
    station.cloudReporter.replyReceived(reply);
    station.cloudReporter.Winsock_Cloud_StateChanged(TcpLink::Closed);
    const QString shown = note.text();
    const bool accepted = judgeCloudReply(reply).accepted;
    if (accepted && shown != kUntouched)
        std::abort();
    if (!accepted && (!shown.startsWith(kLead) || shown.size() > kLead.size() + 50))
        std::abort();
    if (shown.contains(u'\r') || shown.contains(u'\n'))
        std::abort();
    if (station.Winsock_Cloud.State() != TcpLink::Closed)
        std::abort();
    return 0;
}
