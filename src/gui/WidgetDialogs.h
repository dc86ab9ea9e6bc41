#pragma once

#include "platform/Dialogs.h"

namespace korvane {

// Message boxes as modal Qt dialogs.
class WidgetDialogs final : public Dialogs {
public:
    Answer question(const QString &title, const QString &text, Icon icon, Answer defaultAnswer) override;
    Answer yesNo(const QString &title, const QString &text, Icon icon, Answer defaultAnswer) override;
    void message(const QString &title, const QString &text, Icon icon) override;
};

} // namespace korvane
