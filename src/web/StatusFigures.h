#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

namespace korvane {
class Display;
class Feed;
class Station;
} // namespace korvane

namespace korvane::web {

// One figure the main window shows, and how a machine reads it. The status
// object, the live frame and the metrics are all made from one table of
// these, so the three never disagree on a name or a unit.
struct StatusFigure {
    const char *id;    // snake_case, unit in the name
    const char *label; // as the window words it
    const char *unit;  // as the window shows it; empty: none
    // The peer whose readings age the figure; null: nobody's readings.
    const Feed *(*feed)(const Display &);
    // The part of the window's text that shows this figure.
    QString (*text)(const Station &);
    // Its number; null: a text figure (the device name), read as text.
    std::optional<double> (*number)(const QString &text, const Station &);
    // The metric in base units and the factor from the figure's unit.
    const char *metric;
    double metricScale;
    const char *help;
};

// Every figure, in the order the window shows them.
const QList<StatusFigure> &statusFigures();

// A figure as it stands now. `known` is false before the first reading of
// its feed, or while its text holds no number.
struct FigureReading {
    QString text;
    std::optional<double> number;
    bool known = false;
    std::optional<double> ageS; // since its feed's last reading; none while not known
    bool stale = false;
};
FigureReading readFigure(const Station &station, const StatusFigure &figure);

// The n-th number written in a text ("100 /50", "12.5海里/23.1公里",
// "Δ:-2"), if there is one.
std::optional<double> numberInText(const QString &text, int n = 0);

// GET /api/status: one flat object, snake_case, units in the names, null
// for what is not known.
QJsonObject statusObject(const Station &station);

} // namespace korvane::web
