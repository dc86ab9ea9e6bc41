#pragma once

#include "platform/Dialogs.h"

#include <cstdio>

namespace korvane {

// Message boxes without a window: printed as one line and answered at once
// with the answer given on the command line (or the box's default button);
// or, with "wait", left open until the web view or a ":answer" line answers.
class HeadlessDialogs final : public Dialogs {
public:
    enum class Policy { Ok, Cancel, Default, Wait };

    explicit HeadlessDialogs(Policy policy, std::FILE *out = stdout);

    static bool parsePolicy(const QString &text, Policy &policy);

protected:
    void show(const Question &question) override;

private:
    Policy m_policy;
    std::FILE *m_out;
};

} // namespace korvane
