#pragma once

#include "BoardAntenna.h"
#include "BoardNmea.h"
#include "BoardTexts.h"

#include <QString>

namespace korvane::sim {

// The board's settings that commands change and the status text shows.
struct BoardRegisters {
    // Receiver sentences are relayed while the rate is above 0.
    int receiverRateHz = 0;
    NmeaKinds nmeaKinds = NmeaKinds::Both;
    int baseCount = 0;
    bool gnssFix = true;
    bool relayKey = false;
    QString key;
    QString keyAddress;
    // Target ship last set by any station; other stations see it in the echo.
    QString targetMmsi;
    BoardTexts::OwnMarker ownMarker = BoardTexts::OwnMarker::Local;
};

// Executes one command line from a station on the simulated board and
// returns the reply text: the echo line "…命令:<command>" followed by what
// the command answers; a drive command answers with an execution report
// towards its new goal. Commands are looked up in a table of exact words and
// prefixes; an unknown command is answered "未知命令" and changes nothing.
class BoardCommands {
public:
    BoardCommands(BoardAntenna &antenna, BoardRegisters &registers);

    QString execute(const QString &command);

private:
    using Handler = QString (BoardCommands::*)(const QString &argument);
    struct Entry {
        const char *word;
        bool exact;
        Handler handler;
    };
    static const Entry kTable[];

    QString attitude(const QString &);
    QString compass(const QString &);
    QString receiver(const QString &);
    QString receiverRate(const QString &argument);
    QString help(const QString &);
    QString restart(const QString &);
    QString rebaseCompass(const QString &);
    QString drive(const QString &argument);
    QString relativeTurn(const QString &argument);
    QString manualTurn(const QString &argument);
    QString preset(const QString &argument);
    QString baseLongitude(const QString &argument);
    QString baseLatitude(const QString &argument);
    QString baseMode(const QString &argument);
    QString forwardKey(const QString &argument);
    QString targetMmsi(const QString &argument);
    QString executionReport();
    QString parameter(const QString &argument);

    BoardAntenna &m_antenna;
    BoardRegisters &m_registers;
};

} // namespace korvane::sim
