#pragma once

#include "text/FindValue.h"

#include <QString>
#include <QStringList>

namespace korvane {

// Gathers the radio's text into whole replies. TCP may cut a reply anywhere,
// and a marker pair cut in two would read as missing, so text is held until
// the reply ends: with a prompt (the radio waits for input), when the caller
// reports a quiet gap, or when it reaches the longest text the marker search
// handles. A radio that floods without ever prompting is thus handled in
// pieces of that size and never held beyond it.
class ReplyAssembler {
public:
    static constexpr qsizetype kMaxReply = kFindValueMaxLength;

    // Adds received text; returns the replies it completes, in order.
    QStringList append(const QString &text);
    // The quiet gap passed: what is held is a reply (empty when nothing is).
    QString flush();
    void clear() { m_pending.clear(); }
    const QString &pending() const { return m_pending; }

    // Whether the text ends the way the radios end a reply: a login or
    // password prompt, the JSON console's prompt, or a shell prompt.
    static bool endsWithPrompt(const QString &text);

private:
    void splitAtConsolePrompts(QStringList &replies);

    QString m_pending;
};

} // namespace korvane
