// The boxes as the operator sees them: their buttons and icons.
#include "gui/WidgetDialogs.h"

#include "support/Wait.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>
#include <utility>

#include <gtest/gtest.h>

using namespace korvane;

namespace {

struct Seen {
    QMessageBox::StandardButtons buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    Qt::WindowModality modality = Qt::NonModal;
    bool found = false;
};

// Waits for the box the dialogs open, notes what it shows and presses
// `press` (a box that does not appear fails the test instead of hanging).
Seen pressOnBox(WidgetDialogs &dialogs, QMessageBox::StandardButton press)
{
    Seen seen;
    if (!test::waitUntil([&] { return dialogs.box() && dialogs.box()->isVisible(); }))
        return seen;
    QMessageBox *box = dialogs.box();
    seen.buttons = box->standardButtons();
    seen.icon = box->icon();
    seen.modality = box->windowModality();
    seen.found = true;
    if (QAbstractButton *b = box->button(press))
        b->click();
    else
        box->reject();
    return seen;
}

template <typename T>
std::shared_ptr<std::optional<T>> whenDone(Task<T> &&task)
{
    auto result = std::make_shared<std::optional<T>>();
    QCoro::connect(std::move(task), QCoreApplication::instance(), [result](T value) { *result = value; });
    return result;
}

TEST(WidgetDialogs, TheMultiBaseQuestionHasYesAndNo)
{
    Scope scope;
    WidgetDialogs dialogs;
    for (const auto &[press, expected] : {std::pair{QMessageBox::Yes, Dialogs::Answer::Ok},
                                          std::pair{QMessageBox::No, Dialogs::Answer::Cancel}}) {
        const auto answer = whenDone(dialogs.yesNo(&scope, QStringLiteral("启用多基站模式"), QStringLiteral("?"),
                                                   Dialogs::Icon::Question, Dialogs::Answer::Ok));
        EXPECT_FALSE(answer->has_value()) << "the asker waits; the caller goes on";
        const Seen seen = pressOnBox(dialogs, press);
        ASSERT_TRUE(seen.found);
        EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(seen.icon, QMessageBox::Question);
        ASSERT_TRUE(test::waitUntil([&] { return answer->has_value(); }));
        EXPECT_EQ(**answer, expected);
    }
}

TEST(WidgetDialogs, EachIconAsAskedAndNoBoxRunsALoopOfItsOwn)
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
    Scope scope;
    QWidget window;
    window.show();
    WidgetDialogs dialogs;
    dialogs.setParentWindow(&window);
    for (const auto &c : cases) {
        bool closed = false;
        QCoro::connect(dialogs.message(&scope, QStringLiteral("错误"), QStringLiteral("导入错误: x"), c.asked),
                       &scope, [&] { closed = true; });
        const Seen seen = pressOnBox(dialogs, QMessageBox::Ok);
        ASSERT_TRUE(seen.found);
        EXPECT_EQ(seen.icon, c.shown);
        EXPECT_EQ(seen.buttons, QMessageBox::Ok);
        EXPECT_EQ(seen.modality, Qt::WindowModal);
        EXPECT_TRUE(test::waitUntil([&] { return closed; }));
    }
}

// One box at a time: a question asked while another is open waits its turn,
// and a question whose asker goes is taken off the screen unanswered.
TEST(WidgetDialogs, QuestionsTakeTurnsAndAWithdrawnOneCloses)
{
    Scope scope;
    auto going = std::make_unique<Scope>();
    WidgetDialogs dialogs;
    const auto first = whenDone(dialogs.question(&scope, QStringLiteral("一"), QStringLiteral("?"),
                                                 Dialogs::Icon::Warning, Dialogs::Answer::Cancel));
    const auto second = whenDone(dialogs.question(&scope, QStringLiteral("二"), QStringLiteral("?"),
                                                  Dialogs::Icon::Warning, Dialogs::Answer::Cancel));
    const auto third = whenDone(dialogs.question(going.get(), QStringLiteral("三"), QStringLiteral("?"),
                                                 Dialogs::Icon::Warning, Dialogs::Answer::Ok));
    ASSERT_TRUE(test::waitUntil([&] { return dialogs.box() != nullptr; }));
    EXPECT_EQ(dialogs.box()->windowTitle(), QStringLiteral("一"));
    EXPECT_EQ(dialogs.openQuestion()->title, QStringLiteral("一"));
    ASSERT_TRUE(pressOnBox(dialogs, QMessageBox::Ok).found);
    ASSERT_TRUE(test::waitUntil([&] { return first->has_value() && dialogs.box(); }));
    EXPECT_EQ(**first, Dialogs::Answer::Ok);
    EXPECT_FALSE(second->has_value());
    EXPECT_EQ(dialogs.box()->windowTitle(), QStringLiteral("二"));
    ASSERT_TRUE(pressOnBox(dialogs, QMessageBox::Cancel).found);
    ASSERT_TRUE(test::waitUntil([&] { return second->has_value() && dialogs.box(); }));
    EXPECT_EQ(**second, Dialogs::Answer::Cancel);
    QPointer<QMessageBox> shown = dialogs.box();
    EXPECT_EQ(shown->windowTitle(), QStringLiteral("三"));
    going.reset();
    ASSERT_TRUE(test::waitUntil([&] { return third->has_value() && !shown; }));
    EXPECT_EQ(**third, Dialogs::Answer::Cancel) << "withdrawn, not answered";
    EXPECT_FALSE(dialogs.openQuestion());
}

} // namespace
