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
    unsigned char reply = 0;
    if (m_verb == kDo && !m_answeredDo.test(code)) {
        m_answeredDo.set(code);
        reply = kWont;
    } else if (m_verb == kWill && !m_answeredWill.test(code)) {
        m_answeredWill.set(code);
        reply = kDont;
    }
    if (reply == 0)
        return;
    out.answer.append(static_cast<char>(kIac));
    out.answer.append(static_cast<char>(reply));
    out.answer.append(static_cast<char>(code));
}

} // namespace korvane
