#pragma once

#include "platform/Dialogs.h"

#include <cstdio>

namespace korvane {

// Message boxes without a window: printed as one line and answered with the
// answer given on the command line (or the box's default button).
class HeadlessDialogs final : public Dialogs {
public:
    enum class Policy { Ok, Cancel, Default };

    explicit HeadlessDialogs(Policy policy, std::FILE *out = stdout);

    Answer question(const QString &title, const QString &text, Icon icon, Answer defaultAnswer) override;
    void message(const QString &title, const QString &text, Icon icon) override;

    static bool parsePolicy(const QString &text, Policy &policy);

private:
    Policy m_policy;
    std::FILE *m_out;
};

} // namespace korvane
