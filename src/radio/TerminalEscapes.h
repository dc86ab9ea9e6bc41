#pragma once

#include <QString>

namespace korvane {

// Takes a line editor's terminal controls (ECMA-48 escape sequences) out of
// a radio's text. A shell behind telnetd asks where the cursor is right
// after its prompt (ESC [ 6 n) and clears the line it redraws (ESC [ J);
// none of that is text, and left in it would hide the prompt that ends a
// reply. State carries over between calls, so a sequence cut by TCP is
// still taken out whole.
class TerminalEscapes {
public:
    // A control sequence longer than this is not one; what was held is text.
    static constexpr qsizetype kMaxSequence = 32;

    QString feed(const QString &text);
    void reset();

private:
    enum class State { Text, Escape, Csi };

    State m_state = State::Text;
    QString m_held;
};

} // namespace korvane
