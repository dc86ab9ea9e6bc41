#include "radio/ReplyAssembler.h"

namespace korvane {

namespace {

// Prompts that may be followed by blanks.
const char *const kWordPrompts[] = {"login:", "Password:", "console :"};
// Shell prompts end in the sign and one blank; a bare "#" or "$" is too
// common inside status text to end a reply.
const char *const kShellPrompts[] = {"# ", "$ "};

} // namespace

bool ReplyAssembler::endsWithPrompt(const QString &text)
{
    for (const char *prompt : kShellPrompts) {
        if (text.endsWith(QLatin1String(prompt)))
            return true;
    }
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == u' ')
        --end;
    const QStringView tail = QStringView(text).left(end);
    for (const char *prompt : kWordPrompts) {
        if (tail.endsWith(QLatin1String(prompt)))
            return true;
    }
    return false;
}

QStringList ReplyAssembler::append(const QString &text)
{
    QStringList replies;
    m_pending += text;
    splitAtConsolePrompts(replies);
    qsizetype from = 0;
    while (m_pending.size() - from >= kMaxReply) {
        replies << m_pending.mid(from, kMaxReply);
        from += kMaxReply;
    }
    m_pending.remove(0, from);
    if (!m_pending.isEmpty() && endsWithPrompt(m_pending)) {
        replies << m_pending;
        m_pending.clear();
    }
    return replies;
}

// The JSON console prompts after every reply, so a prompt with text after
// it ends a reply even inside one read: two replies that arrive together
// are still read one by one, in order. (Other prompts are recognised only
// at the end, where they cannot be words inside a banner.)
void ReplyAssembler::splitAtConsolePrompts(QStringList &replies)
{
    const QLatin1String prompt("console :");
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = m_pending.indexOf(prompt, from);
        if (at < 0)
            break;
        qsizetype end = at + prompt.size();
        while (end < m_pending.size() && m_pending.at(end) == u' ')
            ++end;
        if (end >= m_pending.size())
            break;
        replies << m_pending.mid(from, end - from);
        from = end;
    }
    m_pending.remove(0, from);
}

QString ReplyAssembler::flush()
{
    QString reply;
    reply.swap(m_pending);
    return reply;
}

} // namespace korvane
