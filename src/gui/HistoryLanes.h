#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <QVector>

namespace korvane {

// What the history window draws: the figures in their strips, the link
// bands and the event kinds, with their captions and colours.
struct HistoryTrace {
    QString column;
    QString label;
    QColor colour;
};

struct HistoryLane {
    QString title;
    QString unit;
    QVector<HistoryTrace> traces;
    // A fixed range (angles) or the least height of an automatic one.
    bool fixedRange = false;
    double low = 0;
    double high = 0;
    double leastSpan = 10;
    bool fromZero = false;
    int decimals = 1;
    // Degrees: a step of more than half a turn is a pass through north, not
    // a swing across the strip, and is not joined.
    bool circular = false;
};

struct HistoryBand {
    QString column;
    QString label;
};

const QVector<HistoryLane> &historyLanes();
const QVector<HistoryBand> &historyBands();
// Every figure column the strips draw.
QStringList historyTraceColumns();
QStringList historyBandColumns();

QString eventKindLabel(const QString &kind);
QColor eventKindColour(const QString &kind);

} // namespace korvane
