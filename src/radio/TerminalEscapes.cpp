#include "radio/TerminalEscapes.h"

namespace korvane {

namespace {

constexpr char16_t kEsc = 0x1b;

// ECMA-48: a control sequence is ESC [, parameter and intermediate bytes
// (0x20 to 0x3f), then one final byte (0x40 to 0x7e).
bool isFinal(QChar c)
{
    return c.unicode() >= 0x40 && c.unicode() <= 0x7e;
}

bool isParameter(QChar c)
{
    return c.unicode() >= 0x20 && c.unicode() <= 0x3f;
}

} // namespace

void TerminalEscapes::reset()
{
    m_state = State::Text;
    m_held.clear();
}

QString TerminalEscapes::feed(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (m_state) {
        case State::Text:
            if (c == kEsc) {
                m_state = State::Escape;
                m_held = c;
            } else {
                out += c;
            }
            continue;
        case State::Escape:
            // ESC and one more character (ESC 7, ESC M…) is a control too.
            m_state = c == u'[' ? State::Csi : State::Text;
            if (m_state == State::Text && !(c.unicode() >= 0x20 && c.unicode() <= 0x7e))
                out += m_held + c;
            m_held += c;
            continue;
        case State::Csi:
            m_held += c;
            if (isFinal(c)) {
                m_state = State::Text;
            } else if (!isParameter(c) || m_held.size() > kMaxSequence) {
                out += m_held;
                m_state = State::Text;
            }
            continue;
        }
    }
    return out;
}

} // namespace korvane
