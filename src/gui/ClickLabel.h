#pragma once

#include <QLabel>

namespace korvane {

// A caption the operator can click or double-click (the terminal caption,
// the alarm line, the collapse switch).
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickLabel(QWidget *parent = nullptr);

Q_SIGNALS:
    void clicked();
    void doubleClicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    // The release that ends a double-click is not a second click.
    bool m_releaseEndsDoubleClick = false;
};

} // namespace korvane
