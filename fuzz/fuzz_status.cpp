// The board's status handler on arbitrary bytes in arbitrary chunks: no
// crash, no step that loops, nothing that grows without bound. One station
// serves every input so state carried between chunks is exercised too.
#include "app/Station.h"
#include "support/QuietPlatform.h"
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

struct Harness {
    Harness()
        : settings(QDir(dir.path()).filePath(QStringLiteral("s.ini")))
    {
        // The log folder is a path that cannot exist, so millions of inputs
        // do not fill the disk; the failing append is exercised instead.
        env.programName = QStringLiteral("fuzz");
        env.logFolder = QDir(dir.path()).filePath(QStringLiteral("s.ini/none"));
        env.settings = &settings;
        env.dialogs = &dialogs;
        env.reveal = &reveal;
        env.clock = &clock;
        station = std::make_unique<Station>(env);
        station->Form_Load();
        station->ais.aisDrive = true;
        station->display.CHK_SHIP_AIS.setValue(1);
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
    static char name[] = "fuzz_status";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static Harness h;
    return h;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Harness &h = harness();
    StatusParser &parser = h.station->statusParser;
    // The first byte of each piece says how long the piece is.
    std::size_t i = 0;
    while (i < size) {
        const std::size_t length = 1 + static_cast<std::size_t>(data[i]) * 4;
        ++i;
        const std::size_t take = std::min(length, size - i);
        parser.receive(QByteArray(reinterpret_cast<const char *>(data + i), static_cast<qsizetype>(take)));
        i += take;
    }
    const ControllerStatus &st = h.station->controllerStatus;
    if (h.station->display.Text2.text().size() > 20000 || st.PendingFragment.size() > 600
        || st.DriveCommand.size() > 64)
        std::abort();
    return 0;
}
