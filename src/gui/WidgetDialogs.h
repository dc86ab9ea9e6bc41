#pragma once

#include "platform/Dialogs.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

namespace korvane {

// Message boxes as Qt dialogs, opened window-modal over the main window
// (application-modal before it exists); the station runs on while one is
// open.
class WidgetDialogs final : public Dialogs {
public:
    ~WidgetDialogs() override;
    void setParentWindow(QWidget *window) { m_parent = window; }
    // The box on screen, for tests.
    QMessageBox *box() const { return m_box.data(); }

protected:
    void show(const Question &question) override;
    void withdraw() override;

private:
    QPointer<QWidget> m_parent;
    QPointer<QMessageBox> m_box;
};

} // namespace korvane
