#include "gui/TerminalView.h"

#include "model/Display.h"

#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <random>

using namespace korvane;

namespace {

// How a plain-text view shows a model text: every line break one LF.
QString asShown(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

TEST(TerminalView, AppendsShowAtTheEndWithTheCaretThere)
{
    korvane::Display d;
    TerminalView view(d.Text2);
    d.Text2.append(QStringLiteral("已经登录微波设备，数据持续获取中......\r\n"));
    d.Text2.append(QStringLiteral("信号-58"));
    EXPECT_EQ(view.toPlainText(), QStringLiteral("已经登录微波设备，数据持续获取中......\n信号-58"));
    EXPECT_TRUE(view.textCursor().atEnd());
    EXPECT_TRUE(view.isReadOnly());
}

// Random chunks with CR LF pairs, lone CRs and LFs, pairs split between two
// chunks and Chinese text, well past the cap: the view must hold exactly
// what the model holds after every append, never more.
TEST(TerminalView, HoldsExactlyTheModelTextAcrossTheCap)
{
    korvane::Display d;
    TerminalView view(d.Text2);
    const QStringList pieces = {QStringLiteral("a"), QStringLiteral("状态"), QStringLiteral("\r\n"),
                                QStringLiteral("\r"), QStringLiteral("\n"), QStringLiteral("俯仰12.5 "),
                                QStringLiteral("x\r")};
    std::mt19937 rng(2024);
    std::uniform_int_distribution<int> pick(0, static_cast<int>(pieces.size()) - 1);
    std::uniform_int_distribution<int> count(1, 60);
    for (int round = 0; round < 2500; ++round) {
        QString chunk;
        for (int n = count(rng); n > 0; --n)
            chunk += pieces[pick(rng)];
        d.Text2.append(chunk);
        ASSERT_EQ(view.toPlainText(), asShown(d.Text2.text())) << "after append " << round;
    }
    EXPECT_EQ(d.Text2.text().size(), korvane::Display::kTerminalCap);
    EXPECT_LE(view.document()->characterCount() - 1, korvane::Display::kTerminalCap);
    EXPECT_TRUE(view.textCursor().atEnd());
}

TEST(TerminalView, AChunkLargerThanTheCapLeavesItsTail)
{
    korvane::Display d;
    TerminalView view(d.Text2);
    d.Text2.append(QStringLiteral("head"));
    const QString big = QString(korvane::Display::kTerminalCap, QLatin1Char('x')) + QStringLiteral("tail");
    d.Text2.append(big);
    EXPECT_EQ(view.toPlainText(), big.right(korvane::Display::kTerminalCap));
}

TEST(TerminalView, ANewTextReplacesTheBox)
{
    korvane::Display d;
    d.Text2.append(QStringLiteral("before the view\r\n"));
    TerminalView view(d.Text2);
    EXPECT_EQ(view.toPlainText(), QStringLiteral("before the view\n"));
    d.Text2.setText(QStringLiteral("清空"));
    EXPECT_EQ(view.toPlainText(), QStringLiteral("清空"));
    d.Text2.append(QStringLiteral("+1"));
    EXPECT_EQ(view.toPlainText(), QStringLiteral("清空+1"));
}

} // namespace
