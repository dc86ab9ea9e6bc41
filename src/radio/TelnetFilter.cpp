#include "radio/TelnetFilter.h"

namespace korvane {

namespace {

constexpr unsigned char kIac = 255;
constexpr unsigned char kDont = 254;
constexpr unsigned char kDo = 253;
constexpr unsigned char kWont = 252;
constexpr unsigned char kWill = 251;
constexpr unsigned char kSb = 250;
constexpr unsigned char kSe = 240;
constexpr unsigned char kEcho = 1;
constexpr unsigned char kSuppressGoAhead = 3;
constexpr unsigned char kWindowSize = 31;

void appendCommand(QByteArray &out, unsigned char verb, unsigned char code)
{
    out.append(static_cast<char>(kIac));
    out.append(static_cast<char>(verb));
    out.append(static_cast<char>(code));
}

// IAC SB NAWS width height IAC SE, each a 16-bit number, high byte first; a
// byte 255 would have to be doubled, and neither size has one.
QByteArray windowSize()
{
    QByteArray out;
    out.append(static_cast<char>(kIac));
    out.append(static_cast<char>(kSb));
    out.append(static_cast<char>(kWindowSize));
    for (const int size : {TelnetFilter::kWindowColumns, TelnetFilter::kWindowRows}) {
        out.append(static_cast<char>((size >> 8) & 0xff));
        out.append(static_cast<char>(size & 0xff));
    }
    out.append(static_cast<char>(kIac));
    out.append(static_cast<char>(kSe));
    return out;
}

} // namespace

void TelnetFilter::reset()
{
    m_state = State::Data;
    m_verb = 0;
    m_afterCr = false;
    m_subLength = 0;
    m_answeredDo.reset();
    m_answeredWill.reset();
}

TelnetFilter::Result TelnetFilter::feed(const QByteArray &bytes)
{
    Result out;
    out.data.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if ((m_state == State::Sub || m_state == State::SubIac) && m_subLength >= kMaxSubnegotiation)
            m_state = State::Data;
        switch (m_state) {
        case State::Data:
            if (c == kIac) {
                m_state = State::Iac;
            } else if (!(c == 0 && m_afterCr)) { // CR NUL is a bare CR on the wire
                out.data.append(ch);
            }
            m_afterCr = c == '\r';
            break;
        case State::Iac:
            m_state = State::Data;
            if (c == kIac) {
                out.data.append(ch); // an escaped data byte 255
            } else if (c >= kWill) {
                m_verb = c;
                m_state = State::Option;
            } else if (c == kSb) {
                m_subLength = 0;
                m_state = State::Sub;
            }
            // Every other command (NOP, GA, AYT, a stray SE…) carries no text.
            break;
        case State::Option:
            option(c, out);
            m_state = State::Data;
            break;
        case State::Sub:
        case State::SubIac:
            if (m_state == State::SubIac && c == kSe) {
                m_state = State::Data;
                break;
            }
            m_state = (m_state == State::Sub && c == kIac) ? State::SubIac : State::Sub;
            ++m_subLength;
            break;
        }
    }
    return out;
}

void TelnetFilter::option(unsigned char code, Result &out)
{
    if (m_verb == kDo && !m_answeredDo.test(code)) {
        m_answeredDo.set(code);
        const bool accepted = code == kSuppressGoAhead || code == kWindowSize;
        appendCommand(out.answer, accepted ? kWill : kWont, code);
        if (code == kWindowSize)
            out.answer += windowSize();
    } else if (m_verb == kWill && !m_answeredWill.test(code)) {
        m_answeredWill.set(code);
        const bool accepted = code == kEcho || code == kSuppressGoAhead;
        appendCommand(out.answer, accepted ? kDo : kDont, code);
    }
}

} // namespace korvane
