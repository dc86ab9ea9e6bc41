#include "headless/AutoScanLine.h"

#include "text/Formats.h"

namespace korvane {

namespace {

QString best(const AutoScanRecord &r)
{
    return QStringLiteral("best=%1@%2").arg(r.bestOffset()).arg(r.bestSignal());
}

} // namespace

QString autoScanLine(const AutoScanRecord &record, AutoScanRecord::Event event)
{
    using Event = AutoScanRecord::Event;
    const int tick = event == Event::Paused ? record.ticks() + 1 : record.ticks();
    QString line = QStringLiteral("autoscan tick=%1/%2 ").arg(tick).arg(AutoScanRecord::kTicks);
    switch (event) {
    case Event::Armed:
        return line + QStringLiteral("armed");
    case Event::Reading: {
        const auto signal = record.lastReading();
        return line + QStringLiteral("offset=%1 signal=%2 ")
                          .arg(record.lastOffset())
                          .arg(signal ? shortestDecimal(*signal) : QStringLiteral("none"))
               + best(record);
    }
    case Event::Paused:
        return line + QStringLiteral("paused");
    case Event::Finished:
        return line + QStringLiteral("done ") + best(record);
    case Event::Cancelled:
        return line + QStringLiteral("cancelled");
    }
    return line;
}

} // namespace korvane
