// The board's status handler on arbitrary bytes in arbitrary chunks: no
// crash, no step that loops, nothing that grows without bound. One station
// serves every input so state carried between chunks is exercised too.
#include "FuzzStation.h"

#include <cstdint>
#include <cstdlib>

using namespace korvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Station &s = fuzz::fuzzStation([](Station &station) {
        station.ais.aisDrive = true;
        station.display.CHK_SHIP_AIS.setValue(1);
    });
    fuzz::forEachPiece(data, size, [&s](const QByteArray &piece) { s.statusParser.receive(piece); });
    const ControllerStatus &st = s.controllerStatus;
    if (s.display.Text2.text().size() > 20000 || st.PendingFragment.size() > 600
        || st.DriveCommand.size() > 64)
        std::abort();
    return 0;
}
