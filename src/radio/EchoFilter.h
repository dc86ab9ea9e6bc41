#pragma once

#include <QString>
#include <QStringList>

namespace korvane {

// Takes the radio's echo of what the station typed out of its text. A shell
// behind telnetd sends every command back before the command's output, and
// an echoed command holds the very words the output's markers are made of
// ("DeviceName", "secretkey"), so figures must be read from the output
// alone. A shell echoes a line when it reads it, right after its prompt, so
// each line the station sent is looked for, in order, where the text ends
// in a prompt: text that starts with it is the echo (with the line end
// after it); text that does not shows that the radio did not echo that line
// (a password, a radio without echo), and the line is no longer expected.
class EchoFilter {
public:
    // Lines sent and not yet seen back or given up.
    static constexpr qsizetype kMaxExpected = 8;

    // A line the station has just sent, line end included or not.
    void expect(const QString &sent);
    // Text received; returns it without the echoes. A part that may still
    // become an echo is held until more text decides.
    QString feed(const QString &text);
    // No more text is coming for now: what is held is the radio's own.
    QString flush();
    bool holding() const { return !m_held.isEmpty(); }
    void clear();

private:
    void pass(QChar c, QString &out);
    // Takes what follows a line end inside an echo; false when it is not a
    // redrawn prompt, and the echo is given up.
    bool redrawn(QChar c);
    void giveUp(QString &out);

    QStringList m_expected;   // oldest first
    qsizetype m_matched = 0;  // characters of the oldest already matched
    QString m_held;           // the text taken for that echo so far
    bool m_wrapped = false;   // a line end came since the last matched character
    QString m_redraw;         // text after that line end, not the echo's
    bool m_afterEcho = false; // the echo's line end may still follow
    bool m_atPrompt = false;  // the text so far ends with a prompt
    QString m_tail;           // the last characters passed, to see a prompt
};

} // namespace korvane
