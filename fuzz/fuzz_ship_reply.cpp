// The ship-position service's reply on arbitrary text: read by markers, no
// crash, and the report line always one line ending in CR LF.
#include "FuzzStation.h"
#include "nav/ShipReport.h"

#include <QDateTime>

#include <cstdint>
#include <cstdlib>

using namespace korvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString reply = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const ShipReport report = parseShipReply(reply);
    const QDateTime when = report.reportTime ? QDateTime::fromSecsSinceEpoch(*report.reportTime) : QDateTime();
    const QString line = shipReportLine(QStringLiteral("目标船舶："), report, when);
    if (!line.endsWith(QStringLiteral("\r\n")))
        std::abort();
    return 0;
}
