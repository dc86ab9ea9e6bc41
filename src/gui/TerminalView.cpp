#include "gui/TerminalView.h"

#include "model/Control.h"
#include "gui/Binding.h"
#include "gui/Fonts.h"

#include <QTextCursor>

namespace korvane {

namespace {

// The document turns CR LF into one line break and any other CR or LF into
// one as well; this is how many document positions `text` takes, given the
// character that follows it in the model (a CR whose LF stays behind is
// still that LF's line break and does not count).
qsizetype documentLength(QStringView text, QChar next)
{
    qsizetype length = text.size();
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == u'\r' && text[i + 1] == u'\n') {
            --length;
            ++i;
        }
    }
    if (!text.isEmpty() && text.back() == u'\r' && next == u'\n')
        --length;
    return length;
}

} // namespace

TerminalView::TerminalView(Control &control, QWidget *parent)
    : QPlainTextEdit(parent), m_control(control)
{
    bindCommon(this, control);
    setReadOnly(true);
    setFont(terminalFont());
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Programmatic edits would otherwise pile up in the undo stack forever.
    document()->setUndoRedoEnabled(false);
    resetFromModel();
    connect(&control, &Control::changed, this, [this](const QString &p, const QString &v) {
        if (p == QLatin1String("append"))
            appendChunk(v);
        else if (p == QLatin1String("text"))
            resetFromModel();
    });
}

void TerminalView::resetFromModel()
{
    m_shown = m_control.text();
    setPlainText(m_shown);
    moveCursor(QTextCursor::End);
}

void TerminalView::appendChunk(const QString &chunk)
{
    const QString &now = m_control.text();
    const qsizetype dropped = m_shown.size() + chunk.size() - now.size();
    // Anything but "old text, less a prefix, plus the chunk" is rebuilt.
    if (dropped < 0 || (dropped > 0 && dropped >= m_shown.size()) || !now.endsWith(chunk)) {
        resetFromModel();
        return;
    }
    QTextCursor cursor(document());
    if (dropped > 0) {
        const QStringView gone = QStringView(m_shown).left(dropped);
        cursor.setPosition(0);
        cursor.setPosition(static_cast<int>(documentLength(gone, m_shown.at(dropped))), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    cursor.movePosition(QTextCursor::End);
    // A CR already made the line break that a following LF belongs to.
    const bool pairSplit = m_shown.endsWith(u'\r') && chunk.startsWith(u'\n');
    cursor.insertText(pairSplit ? chunk.mid(1) : chunk);
    m_shown = now;
    setTextCursor(cursor);
    ensureCursorVisible();
}

} // namespace korvane
