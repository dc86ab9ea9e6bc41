// The command console on any text, by the Enter key and by the button, with
// no board and no radio connected: no crash, no wait that never ends, and
// nothing written outside the station's own folder. The first byte picks the
// path; the rest is the command text.
#include "FuzzStation.h"

#include <cstdint>
#include <cstdlib>

using namespace korvane;

namespace {

constexpr int kEnterKey = 13;

void prepare(Station &s)
{
    // Waits between the steps of a script would make every input slow, and
    // a fuzzed port name must not open a real serial device.
    s.initSequence.setWait(test::noWait);
    s.baseImport.setWait(test::noWait);
    s.settingCommands.reopenAisPort = nullptr;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    Station &s = fuzz::fuzzStation(prepare);
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(size - 1));
    s.display.Combo2.setText(text);
    if (data[0] & 1)
        s.console.Command3_Click();
    else
        s.console.Combo2_KeyDown(kEnterKey, 0);
    if (s.display.Text2.text().size() > 20000 || s.initSequence.isRunning() || s.baseImport.isRunning())
        std::abort();
    return 0;
}
