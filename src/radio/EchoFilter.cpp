#include "radio/EchoFilter.h"

#include "radio/ReplyAssembler.h"

namespace korvane {

namespace {

// Enough for the longest prompt ("console :", "Password:") with blanks.
constexpr qsizetype kTailLength = 16;
// The longest prompt a redrawn line may start with.
constexpr qsizetype kMaxRedraw = 64;

bool isLineEnd(QChar c)
{
    return c == u'\r' || c == u'\n' || c == QChar(0);
}

} // namespace

void EchoFilter::expect(const QString &sent)
{
    qsizetype end = sent.size();
    while (end > 0 && isLineEnd(sent.at(end - 1)))
        --end;
    // A bare line end comes back as a line end, which no marker contains.
    if (end == 0)
        return;
    if (m_expected.size() >= kMaxExpected) {
        m_expected.removeFirst();
        m_matched = 0;
        m_held.clear();
        m_wrapped = false;
        m_redraw.clear();
    }
    m_expected << sent.left(end);
}

QString EchoFilter::feed(const QString &text)
{
    QString out;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (m_afterEcho && isLineEnd(c)) {
            ++i;
            continue;
        }
        m_afterEcho = false;
        if (m_expected.isEmpty() || (m_matched == 0 && !m_atPrompt)) {
            pass(c, out);
            ++i;
            continue;
        }
        const QString &echo = m_expected.constFirst();
        if (m_matched > 0 && m_redraw.isEmpty() && isLineEnd(c)) {
            m_wrapped = true; // the editor's window ended here
            m_held += c;
            ++i;
            continue;
        }
        if (!m_redraw.isEmpty() || (m_wrapped && c != echo.at(m_matched))) {
            if (redrawn(c))
                ++i;
            else
                giveUp(out); // the same character is tried again
            continue;
        }
        if (c == echo.at(m_matched)) {
            ++i;
            m_held += c;
            m_wrapped = false;
            if (++m_matched == echo.size()) {
                m_expected.removeFirst();
                m_matched = 0;
                m_held.clear();
                m_afterEcho = true;
                m_atPrompt = false; // the next echo follows the next prompt
            }
            continue;
        }
        // Not this line's echo: what was held is the radio's own text, and
        // the same character is tried against the next line sent.
        giveUp(out);
    }
    return out;
}

bool EchoFilter::redrawn(QChar c)
{
    if (isLineEnd(c) || m_redraw.size() >= kMaxRedraw)
        return false;
    m_redraw += c;
    m_held += c;
    if (ReplyAssembler::endsWithPrompt(m_redraw)) {
        // The prompt again: the echo is drawn anew from its start.
        m_matched = 0;
        m_redraw.clear();
        m_wrapped = false;
    }
    return true;
}

void EchoFilter::giveUp(QString &out)
{
    const QString held = m_held;
    m_held.clear();
    m_matched = 0;
    m_redraw.clear();
    m_wrapped = false;
    m_expected.removeFirst();
    for (const QChar h : held)
        pass(h, out);
}

void EchoFilter::pass(QChar c, QString &out)
{
    out += c;
    m_tail += c;
    if (m_tail.size() > kTailLength)
        m_tail.remove(0, m_tail.size() - kTailLength);
    m_atPrompt = ReplyAssembler::endsWithPrompt(m_tail);
}

QString EchoFilter::flush()
{
    if (m_held.isEmpty())
        return {};
    QString out;
    giveUp(out);
    return out;
}

void EchoFilter::clear()
{
    m_expected.clear();
    m_matched = 0;
    m_held.clear();
    m_wrapped = false;
    m_redraw.clear();
    m_afterEcho = false;
    m_atPrompt = false;
    m_tail.clear();
}

} // namespace korvane
