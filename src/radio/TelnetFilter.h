#pragma once

#include <QByteArray>

#include <bitset>

namespace korvane {

// Takes telnet commands (RFC 854) out of the bytes a radio sends, so that
// only its text reaches the parsers and the terminal, and answers the
// options as a plain terminal client does: the radio may echo and suppress
// go-ahead (RFC 857, 858), the station suppresses go-ahead too and tells
// its window size (RFC 1073) as a wide one, so that a line editor behind
// telnetd never wraps a poll command; every other option is refused. Each
// option is answered once per connection, so a peer that repeats itself
// cannot make the station talk without end; DONT and WONT need no answer.
// Subnegotiations (RFC 855) are dropped whole. State carries over between
// calls: a command split across two reads is still recognised.
class TelnetFilter {
public:
    struct Result {
        QByteArray data;   // the text, commands removed
        QByteArray answer; // what to send back to the peer
    };

    Result feed(const QByteArray &bytes);
    // A new connection: forget options answered and any command in progress.
    void reset();

    // A subnegotiation longer than this is not telnet but noise; the filter
    // goes back to text rather than swallow the rest of the session.
    static constexpr qsizetype kMaxSubnegotiation = 4096;
    // The window the station claims: wider than any command it sends.
    static constexpr int kWindowColumns = 512;
    static constexpr int kWindowRows = 24;

private:
    enum class State { Data, Iac, Option, Sub, SubIac };

    void option(unsigned char code, Result &out);

    State m_state = State::Data;
    unsigned char m_verb = 0;
    bool m_afterCr = false;
    qsizetype m_subLength = 0;
    std::bitset<256> m_answeredDo;
    std::bitset<256> m_answeredWill;
};

} // namespace korvane
