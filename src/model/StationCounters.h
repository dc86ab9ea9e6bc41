#pragma once

#include <QMap>
#include <QString>

namespace korvane {

// Running totals since the program started, for the metrics endpoint. They
// only ever grow; a scraper works out rates from them.
struct StationCounters {
    // Losses per link, by the link's id in LinkHealth::named().
    QMap<QString, quint64> linkLosses;
    // A socket link connected again after an earlier connection of this run,
    // by link id ("board", "radio").
    QMap<QString, quint64> reconnects;
    // Reports the cloud refused or could not be reached for.
    quint64 cloudReportFailures = 0;
    // Operator commands entered at the console (Enter or the send button),
    // from whichever front end.
    quint64 commands = 0;
};

} // namespace korvane
