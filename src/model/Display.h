#pragma once

#include "model/Control.h"
#include "model/Feed.h"

#include <QList>
#include <QObject>

#include <array>

namespace korvane {

// Every operator-visible control of the station. The window binds widgets
// to these fields, the headless front end prints their changes, tests read
// them. Names are the controls' own.
class Display : public QObject {
    Q_OBJECT
public:
    explicit Display(QObject *parent = nullptr);

    // Terminal box capacity, in characters.
    static constexpr qsizetype kTerminalCap = 20000;

    // Window caption (text) and height in twips (value).
    Control MainWindow{QStringLiteral("MainWindow"), this};
    // Notices and alarms.
    Control Label_NOTE{QStringLiteral("Label_NOTE"), this};
    Control Lbl_ALARM{QStringLiteral("Lbl_ALARM"), this};
    // Connection strip.
    Control Text3{QStringLiteral("Text3"), this};   // radio address
    Control Text14{QStringLiteral("Text14"), this}; // radio user
    Control Text7{QStringLiteral("Text7"), this};   // radio password
    Control Text4{QStringLiteral("Text4"), this};   // controller address
    Control Text10{QStringLiteral("Text10"), this}; // controller port
    Control Command1{QStringLiteral("Command1"), this};
    Control Check1{QStringLiteral("Check1"), this};
    Control Cloud{QStringLiteral("Cloud"), this};
    Control Label6{QStringLiteral("Label6"), this};         // controller lamp
    Control radioLamp{QStringLiteral("radioLamp"), this};   // radio lamp
    // Radio figures.
    Control Text1{QStringLiteral("Text1"), this};   // signal, dBm
    Control Text15{QStringLiteral("Text15"), this}; // capacity
    Control lanByte{QStringLiteral("lanByte"), this};
    Control lanBytes{QStringLiteral("lanBytes"), this};
    Control Text_Level{QStringLiteral("Text_Level"), this};
    Control Text_delta{QStringLiteral("Text_delta"), this};
    Control Ship{QStringLiteral("Ship"), this};
    // Position and heading.
    Control dist{QStringLiteral("dist"), this};
    Control distvalue{QStringLiteral("distvalue"), this};
    Control navAngle{QStringLiteral("navAngle"), this};
    // Ship-to-ship.
    Control CHK_SHIP_AIS{QStringLiteral("CHK_SHIP_AIS"), this};
    Control Label5{QStringLiteral("Label5"), this};
    Control SHIP_AIS_DRIVE{QStringLiteral("SHIP_AIS_DRIVE"), this};
    Control Label12{QStringLiteral("Label12"), this};
    // Direction ring, slider and target entry.
    std::array<Control *, 13> angle{};
    Control Slider1{QStringLiteral("Slider1"), this};
    Control Command_HFIX{QStringLiteral("Command_HFIX"), this};
    Control Text12{QStringLiteral("Text12"), this}; // target latitude
    Control Text13{QStringLiteral("Text13"), this}; // target longitude
    // Terminal.
    Control Text2{QStringLiteral("Text2"), this};
    Control Label4{QStringLiteral("Label4"), this};
    // Console.
    Control Frame4{QStringLiteral("Frame4"), this};
    Control Combo2{QStringLiteral("Combo2"), this};
    Control Command3{QStringLiteral("Command3"), this};
    Control cmdtips{QStringLiteral("cmdtips"), this};
    // Collapse switch.
    Control Label18{QStringLiteral("Label18"), this};
    // Progress of a running board script (INIT, IMPORT): value in percent,
    // text "n/total"; visible only while one runs.
    Control progressBar{QStringLiteral("progressBar"), this};
    // The AIS receiver's port picker: items are the serial adapters found at
    // start-up; the tool tip counts AIS sentences dropped for their checksum.
    Control aisPorts{QStringLiteral("aisPorts"), this};

    // The peers' readings and the fields each feeds: the radio's figures
    // (poll every 2 s), the board's heading and distance (status each
    // second or so), the ship service's target (a lookup every 7 s), the
    // radio's ping (every 5 s). Stale after three periods, two for the
    // ship service.
    Feed radioFeed{QStringLiteral("radio"), this};
    Feed boardFeed{QStringLiteral("board"), this};
    Feed shipFeed{QStringLiteral("ship"), this};
    Feed pingFeed{QStringLiteral("ping"), this};
    // Stale thresholds at time scale 1, ms.
    static constexpr qint64 kRadioStaleMs = 6000;
    static constexpr qint64 kBoardStaleMs = 5000;
    static constexpr qint64 kShipStaleMs = 2 * 7030;
    static constexpr qint64 kPingStaleMs = 3 * 5003;
    static constexpr qint64 kMinStaleMs = 1000;
    // Scales every threshold (tests and demos run time faster).
    void setTimeScale(double scale);
    const QList<Feed *> &feeds() const { return m_feeds; }

    // Every control, in declaration order.
    const QList<Control *> &controls() const { return m_controls; }
    Control *find(const QString &name) const;

Q_SIGNALS:
    void changed(const QString &control, const QString &property, const QString &value);

private:
    void setDesignTexts();

    QList<Control *> m_controls;
    QList<Feed *> m_feeds;
};

} // namespace korvane
