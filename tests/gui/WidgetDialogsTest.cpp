// The boxes as the operator sees them: their buttons and icons.
#include "gui/WidgetDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

using namespace korvane;

namespace {

struct Seen {
    QMessageBox::StandardButtons buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool found = false;
};

// Watches for the box the code under test opens (it runs its own event
// loop), notes what it shows and presses `press`.
class BoxWatch {
public:
    explicit BoxWatch(QMessageBox::StandardButton press)
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this, press] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            // Bounded: a box that never becomes the modal one is closed
            // unseen after 5 s, and the test fails instead of hanging.
            if (!box && ++m_ticks > 1000) {
                for (QWidget *w : QApplication::topLevelWidgets()) {
                    if (auto *other = qobject_cast<QMessageBox *>(w))
                        other->reject();
                }
            }
            if (!box)
                return;
            seen.buttons = box->standardButtons();
            seen.icon = box->icon();
            seen.found = true;
            m_timer.stop();
            if (QAbstractButton *b = box->button(press))
                b->click();
            else
                box->reject();
        });
        m_timer.start();
    }
    Seen seen;

private:
    QTimer m_timer;
    int m_ticks = 0;
};

TEST(WidgetDialogs, TheMultiBaseQuestionHasYesAndNo)
{
    WidgetDialogs dialogs;
    BoxWatch yes(QMessageBox::Yes);
    EXPECT_EQ(dialogs.yesNo(QStringLiteral("启用多基站模式"), QStringLiteral("?"), Dialogs::Icon::Question,
                            Dialogs::Answer::Ok),
              Dialogs::Answer::Ok);
    ASSERT_TRUE(yes.seen.found);
    EXPECT_EQ(yes.seen.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(yes.seen.icon, QMessageBox::Question);

    BoxWatch no(QMessageBox::No);
    EXPECT_EQ(dialogs.yesNo(QStringLiteral("启用多基站模式"), QStringLiteral("?"), Dialogs::Icon::Question,
                            Dialogs::Answer::Ok),
              Dialogs::Answer::Cancel);
    ASSERT_TRUE(no.seen.found);
}

TEST(WidgetDialogs, OkCancelQuestionsKeepTheirButtons)
{
    WidgetDialogs dialogs;
    BoxWatch ok(QMessageBox::Ok);
    EXPECT_EQ(dialogs.question(QStringLiteral("警告"), QStringLiteral("?"), Dialogs::Icon::Warning,
                               Dialogs::Answer::Cancel),
              Dialogs::Answer::Ok);
    ASSERT_TRUE(ok.seen.found);
    EXPECT_EQ(ok.seen.buttons, QMessageBox::Ok | QMessageBox::Cancel);
}

TEST(WidgetDialogs, EachIconAsAsked)
{
    const struct {
        Dialogs::Icon asked;
        QMessageBox::Icon shown;
    } cases[] = {
        {Dialogs::Icon::Error, QMessageBox::Critical},
        {Dialogs::Icon::None, QMessageBox::NoIcon},
        {Dialogs::Icon::Warning, QMessageBox::Warning},
        {Dialogs::Icon::Information, QMessageBox::Information},
    };
    WidgetDialogs dialogs;
    for (const auto &c : cases) {
        BoxWatch watch(QMessageBox::Ok);
        dialogs.message(QStringLiteral("错误"), QStringLiteral("导入错误: x"), c.asked);
        ASSERT_TRUE(watch.seen.found);
        EXPECT_EQ(watch.seen.icon, c.shown);
        EXPECT_EQ(watch.seen.buttons, QMessageBox::Ok);
    }
}

} // namespace
