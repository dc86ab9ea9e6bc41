#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>
#include <QStringView>

namespace korvane {

// Cuts a serial byte stream into NMEA 0183 sentences. A sentence starts at
// "!" or "$" and ends at CR or LF; the pieces of one sentence may arrive in
// any number of reads and one read may hold several sentences. Bytes outside
// a sentence are dropped, a new start character abandons an unterminated
// sentence (it was cut off), and a sentence longer than kMaxSentence is
// dropped whole, so a stream without line ends cannot grow the buffer.
class NmeaLineFramer {
public:
    // NMEA 0183 allows 82 characters; some receivers run longer.
    static constexpr qsizetype kMaxSentence = 200;

    // The sentences completed by `bytes`, in order, without their line end.
    QStringList feed(QByteArrayView bytes);

    // Bytes of the sentence still waiting for its end.
    qsizetype pending() const { return m_line.size(); }
    // Sentences dropped for their length since construction.
    quint64 overlong() const { return m_overlong; }

private:
    QByteArray m_line;
    quint64 m_overlong = 0;
};

// True when the sentence ("!" or "$", fields, "*", two hexadecimal digits
// and nothing after them) carries the XOR of the characters between its
// start character and the "*" (NMEA 0183).
bool NmeaChecksumValid(QStringView sentence);

} // namespace korvane
