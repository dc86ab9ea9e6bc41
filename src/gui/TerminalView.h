#pragma once

#include <QPlainTextEdit>

namespace korvane {

class Control;

// The scrolling terminal box. It shows exactly the model's text: appends
// are added at the end with the caret kept there, and what the model drops
// from the front to stay within its cap is dropped here too, so an append
// costs the size of the chunk, not the size of the box.
class TerminalView : public QPlainTextEdit {
    Q_OBJECT
public:
    TerminalView(Control &control, QWidget *parent = nullptr);

private:
    void resetFromModel();
    void appendChunk(const QString &chunk);

    Control &m_control;
    // The model text this view shows (shared with the model, not copied).
    QString m_shown;
};

} // namespace korvane
