#pragma once

#include <QByteArray>

#include <bitset>

namespace korvane {

// Takes telnet commands (RFC 854) out of the bytes a radio sends, so that
// only its text reaches the parsers and the terminal, and refuses every
// option: DO x is answered WONT x and WILL x is answered DONT x, once per
// option and connection, so a peer that repeats itself cannot make the
// station talk without end. DONT and WONT need no answer, since nothing is
// ever enabled. Subnegotiations (RFC 855) are dropped whole. State carries
// over between calls: a command split across two reads is still recognised.
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
