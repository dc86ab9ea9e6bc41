#pragma once

#include <QObject>
#include <QString>

#include <cstdio>

namespace korvane {

class LoopWatch;
class Station;

// The station without a window: every display change is printed as
// "CONTROL.property=value"; stdin lines are operator actions. Quiet, only
// the event lines (as the daily log gets them), the notice and alarm
// changes (in the same CONTROL.property=value form) and the answers to
// ":" actions are printed.
class HeadlessConsole : public QObject {
    Q_OBJECT
public:
    explicit HeadlessConsole(Station &station, std::FILE *out = stdout, QObject *parent = nullptr);
    ~HeadlessConsole() override;

    void setQuiet(bool quiet) { m_quiet = quiet; }

    // One input line of the headless grammar.
    void handleLine(const QString &line);
    // The watch whose longest gap `:stats` reports and resets; may stay unset.
    void setLoopWatch(LoopWatch *watch) { m_watch = watch; }

Q_SIGNALS:
    void quitRequested();

private:
    void print(const QString &line);
    void handleAction(const QString &verb, const QString &rest);

    Station &m_station;
    std::FILE *m_out;
    LoopWatch *m_watch = nullptr;
    bool m_quiet = false;
};

} // namespace korvane
