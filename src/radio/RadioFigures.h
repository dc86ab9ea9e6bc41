#pragma once

#include <QString>

namespace korvane {

class Clock;
class Display;
struct RadioSessionState;
struct RadioStats;

// The radio's figures on display, written the same way by every family: the
// signal box and the window caption, the noise and the quality bar, the
// throughput box, and the console lines.
class RadioFigures {
public:
    struct Parts {
        Display &display;
        RadioStats &stats;
        const RadioSessionState &radio; // the bar glyphs
        const Clock &clock;
        const QString &startCaption;    // the caption the window had at start-up
    };

    explicit RadioFigures(Parts parts);

    // A value as cut from a reply, fit for display: the line breaks it was
    // cut with removed (blanks stay, they belong to the value).
    static QString shown(const QString &value);
    // The "0.##" form: at most two decimals, none when they are zero.
    static QString upToTwoDecimals(double value);
    // The quality level 1 to 5 of a margin in whole dB; 0 for a negative
    // margin, which leaves the bar as it is.
    static int qualityLevel(double margin);

    // Caption := start-up caption + " " + whole dBm of the signal box.
    void refreshCaption();
    // signalDbm := the value to the nearest whole number; false (nothing
    // changed) when it does not fit.
    bool setSignal(double value);
    // The noise tool tip "N:…", noiseDbm and the bar from signal - noise.
    void showNoise(double noise, double signal);
    void showQuality(double margin);
    // The bar at a level from 1 to 5; any other level leaves it as it is.
    void showLevel(int level);
    // The throughput box from new byte counters against the previous ones,
    // over the 2-second poll. False, and nothing shown, when a counter went
    // backwards (the radio restarted or a counter wrapped).
    bool showThroughput(double rxBytes, double txBytes);
    // The throughput box's tool tip: two byte totals in MiB.
    void showByteTotals(double first, double second);
    // Shows or hides the throughput box and its caption.
    void showThroughputBox(bool visible);
    // Adds a line to the terminal (not the log), stamped with date and time.
    void consoleLine(const QString &line);

private:
    Parts m_parts;
};

} // namespace korvane
