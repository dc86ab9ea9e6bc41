#include "headless/HeadlessConsole.h"
#include "headless/HeadlessDialogs.h"
#include "history/Sampler.h"

#include "support/LoopbackServer.h"
#include "support/StationFixture.h"
#include "support/Wait.h"

#include <cstdio>

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::LoopbackServer;
using korvane::test::StationFixture;
using korvane::test::waitUntil;
using korvane::test::finish;
using korvane::test::runPingTick;
using korvane::test::runRadioTick;

namespace {

// Captures what the console prints.
class Captured {
public:
    Captured() : file(std::tmpfile()) {}
    ~Captured() { std::fclose(file); }
    QString text() const
    {
        std::fflush(file);
        const long size = std::ftell(file);
        QByteArray bytes(size, '\0');
        std::rewind(file);
        const size_t got = std::fread(bytes.data(), 1, static_cast<size_t>(size), file);
        std::fseek(file, 0, SEEK_END);
        return QString::fromUtf8(bytes.left(static_cast<qsizetype>(got)));
    }
    std::FILE *file;
};

TEST(HeadlessConsole, PrintsEachDisplayChangeEscaped)
{
    StationFixture f;
    Station &s = f.start();
    Captured out;
    HeadlessConsole console(s, out.file);
    s.display.Label_NOTE.setText(QStringLiteral("已经恢复自动驱动模式。"));
    s.display.Label6.setColour(Rgb{0, 255, 0});
    s.display.Text2.append(QStringLiteral("a\\b\r\nc"));
    // A peer's escape sequence (ESC [ 2 J clears the screen) and C1 CSI
    // reach the terminal as text.
    s.display.Text2.append(QStringLiteral("\t\x1b[2J\u009b1m\x7f\x00" "end"));
    EXPECT_EQ(out.text(), QStringLiteral("Label_NOTE.text=已经恢复自动驱动模式。\n"
                                         "Label6.colour=0,255,0\n"
                                         "Text2.append=a\\\\b\\r\\nc\n"
                                         "Text2.append=\\t\\x1b[2J\\x9b1m\\x7f\\x00end\n"));
}

TEST(HeadlessConsole, GrammarReachesTheStation)
{
    LoopbackServer board;
    StationFixture f;
    Station &s = f.start();
    Captured out;
    HeadlessConsole console(s, out.file);
    bool quit = false;
    QObject::connect(&console, &HeadlessConsole::quitRequested, [&] { quit = true; });

    console.handleLine(QStringLiteral(":set Text4 127.0.0.1:%1").arg(board.port()));
    EXPECT_EQ(s.display.Text4.text(), QStringLiteral("127.0.0.1:%1").arg(board.port()));
    console.handleLine(QStringLiteral(":click Command1"));
    ASSERT_TRUE(waitUntil([&] { return s.Winsock2.State() == 7 && board.openClients() == 1; }));

    console.handleLine(QStringLiteral("p"));                 // typed and Enter
    console.handleLine(QStringLiteral(":send [P0H0V0]"));    // the send button
    ASSERT_TRUE(waitUntil([&] { return board.received.size() >= 9; }));
    EXPECT_EQ(board.received, QByteArray("p[P0H0V0]"));
    EXPECT_EQ(s.display.Combo2.text(), QStringLiteral("[P0H0V0]"));

    console.handleLine(QStringLiteral(":pick COMP_TIME"));
    EXPECT_EQ(s.display.Combo2.text(), QStringLiteral("COMP_TIME"));
    console.handleLine(QStringLiteral(":set Check1 1"));
    EXPECT_EQ(f.settings->read(QStringLiteral("KORVANE_AUTOLINK")), QStringLiteral("1"));
    console.handleLine(QStringLiteral(":click Label18"));
    EXPECT_EQ(s.display.MainWindow.value(), 2900);
    EXPECT_TRUE(out.text().contains(QStringLiteral("Label18.text=︾\n")));
    console.handleLine(QStringLiteral(":quit"));
    EXPECT_TRUE(quit);
}

TEST(HeadlessConsole, UnknownActionsChangeNothing)
{
    StationFixture f;
    Station &s = f.start();
    Captured out;
    HeadlessConsole console(s, out.file);
    console.handleLine(QStringLiteral(":frobnicate"));
    console.handleLine(QStringLiteral(":set NoSuchControl 1"));
    console.handleLine(QStringLiteral(":set Label_NOTE hello")); // not an input box
    console.handleLine(QStringLiteral(":click"));
    console.handleLine(QStringLiteral(":key Text12 abc"));
    EXPECT_EQ(s.display.Label_NOTE.text(), QString());
    EXPECT_EQ(out.text(), QString());
}

TEST(HeadlessDialogs, PrintsAndAnswersByPolicyAtOnce)
{
    Captured out;
    Scope scope;
    const auto answered = [](Task<Dialogs::Answer> &&asked) {
        EXPECT_TRUE(asked.isReady()) << "headless answers before the asker waits";
        return finish(std::move(asked));
    };
    HeadlessDialogs cancel(HeadlessDialogs::Policy::Cancel, out.file);
    EXPECT_EQ(answered(cancel.question(&scope, QStringLiteral("通知："), QStringLiteral("a\nb"),
                                       Dialogs::Icon::Warning, Dialogs::Answer::Ok)),
              Dialogs::Answer::Cancel);
    EXPECT_EQ(out.text(), QStringLiteral("MsgBox title=通知： text=a\\nb\n"));
    HeadlessDialogs byDefault(HeadlessDialogs::Policy::Default, out.file);
    EXPECT_EQ(answered(byDefault.question(&scope, QString(), QString(), Dialogs::Icon::Question,
                                          Dialogs::Answer::Cancel)),
              Dialogs::Answer::Cancel);
    HeadlessDialogs ok(HeadlessDialogs::Policy::Ok, out.file);
    EXPECT_EQ(answered(ok.question(&scope, QString(), QString(), Dialogs::Icon::Question, Dialogs::Answer::Cancel)),
              Dialogs::Answer::Ok);
}

} // namespace

namespace {

TEST(HeadlessConsole, ThePasswordBoxIsNeverPrinted)
{
    StationFixture f;
    Station &s = f.start();
    Captured out;
    HeadlessConsole console(s, out.file);
    console.handleLine(QStringLiteral(":set Text7 s3cret!"));
    EXPECT_EQ(s.display.Text7.text(), QStringLiteral("s3cret!"));
    EXPECT_FALSE(out.text().contains(QStringLiteral("s3cret")));
    EXPECT_TRUE(out.text().contains(QStringLiteral("Text7.text=******\n")));
}

TEST(HeadlessConsole, HistoryLineSummarisesTheLastMinutes)
{
    StationFixture f;
    f.historyFile = QDir(f.dir.path()).filePath(QStringLiteral("history.sqlite"));
    Station &s = f.start();
    Captured out;
    HeadlessConsole console(s, out.file);
    s.historySampler->sampleNow();
    s.historySampler->sampleNow();
    console.handleLine(QStringLiteral(":history 10"));
    // Read off the event loop; the line comes when the worker answers.
    ASSERT_TRUE(waitUntil([&] { return !out.text().isEmpty(); }));
    EXPECT_EQ(out.text(), QStringLiteral("history minutes=10 samples=2 signal_min=- signal_median=- signal_max=- "
                                         "board_up=0.0% radio_up=0.0% cloud_ok=- events=0\n"));
    console.handleLine(QStringLiteral(":history ten"));
    console.handleLine(QStringLiteral(":history 0"));
    EXPECT_FALSE(out.text().contains(QStringLiteral("minutes=0")));
}

} // namespace
