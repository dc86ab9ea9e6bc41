#pragma once

#include <QStringDecoder>

namespace korvane {

class Display;
class TcpLink;

// Handles the board's status stream. Every chunk that arrives is read and
// shown in the terminal box (capped at its last 20000 characters), so the
// socket buffer never grows, whatever the board sends.
class StatusParser {
public:
    StatusParser(TcpLink &controller, Display &display);

    void Winsock2_DataArrival();

private:
    TcpLink &m_controller;
    Display &m_display;
    // Keeps a character split between two reads for the next read, so
    // Chinese text cut by TCP is not turned into replacement characters.
    QStringDecoder m_decoder{QStringDecoder::Utf8};
};

} // namespace korvane
