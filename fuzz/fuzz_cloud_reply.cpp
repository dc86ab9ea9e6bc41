// The cloud server's reply, as the report's data event handles it, on
// arbitrary bytes: no crash, the notice never longer than its lead and 50
// characters, shown exactly when the reply is not taken for success, and
// the connection closed every time.
#include "app/Station.h"
#include "support/QuietPlatform.h"
#include "cloud/CloudReply.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/FileReveal.h"
#include "platform/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

using namespace korvane;
using korvane::test::NoReveal;
using korvane::test::QuietDialogs;

namespace {

const QString kLead = QStringLiteral("提交云平台失败 (Winsock): ");
const QString kUntouched = QStringLiteral("untouched");

struct Harness {
    Harness()
        : settings(QDir(dir.path()).filePath(QStringLiteral("s.ini")))
    {
        env.programName = QStringLiteral("fuzz");
        env.logFolder = QDir(dir.path()).filePath(QStringLiteral("s.ini/none"));
        env.settings = &settings;
        env.dialogs = &dialogs;
        env.reveal = &reveal;
        env.clock = &clock;
        station = std::make_unique<Station>(env);
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
    static char name[] = "fuzz_cloud_reply";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static Harness h;
    return h;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Harness &h = harness();
    const QByteArray reply(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    Control &note = h.station->display.Label_NOTE;
    note.setText(kUntouched);
    h.station->cloudReporter.replyReceived(reply);
    const QString shown = note.text();
    const bool accepted = judgeCloudReply(reply).accepted;
    if (accepted && shown != kUntouched)
        std::abort();
    if (!accepted && (!shown.startsWith(kLead) || shown.size() > kLead.size() + 50))
        std::abort();
    if (h.station->Winsock_Cloud.State() != TcpLink::Closed)
        std::abort();
    return 0;
}
