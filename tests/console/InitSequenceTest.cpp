// `init_board` against a loopback board, with its pauses recorded instead
// of waited.
#include "ConsoleFixture.h"

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;
using namespace Qt::StringLiterals;

namespace {

const QByteArray kFactoryStream = "cl0\r\nch15\r\ncH2\r\ncV2\r\na99\r\na99\r\nJ114.00000\r\nW23.00000\r\nP0\r\nT2\r\n"
                                  "p249j114.1283585w22.6012698d12\r\np1j114.111111w23.222222d50\r\nT1\r\nS0\r\n"
                                  "g2"
                                  "cP60\r\ncP1\r\n"
                                  "cb0.01"
                                  "co0.01\r\ncI0.01\r\ncH2.0\r\ncV2\r\ncz20\r\nb0\r\ncM30\r\nLUadmin\r\nLPPass7391\r\n"
                                  "fX20\r\nTD0\r\ntz8\r\nZ0\r\n?\r\n";

// One pause as the sequence asked for it, with what the operator saw then.
struct Pause {
    float seconds;
    QString notice;
    QString progress;
    bool progressVisible;
};

class InitBoard : public ::testing::Test {
protected:
    void SetUp() override
    {
        s = &f.start();
        f.dialogs.answer = Dialogs::Answer::Ok;
        s->initSequence.setWait([this](float seconds) -> Task<bool> {
            pauses.push_back({seconds, s->display.Label_NOTE.text(), s->display.progressBar.text(),
                              s->display.progressBar.visible()});
            if (atPause)
                atPause(static_cast<int>(pauses.size()));
            co_return true;
        });
    }

    ConsoleFixture f;
    Station *s = nullptr;
    std::vector<Pause> pauses;
    std::function<void(int row)> atPause; // runs during the pause after `row`
};

TEST_F(InitBoard, SendsTheFactoryScriptByteExactWith58SecondsOfPauses)
{
    f.enter(u"INIT"_s);
    EXPECT_EQ(f.boardBytes(), kFactoryStream);
    ASSERT_EQ(pauses.size(), 31u);
    float total = 0;
    for (const Pause &p : pauses)
        total += p.seconds;
    EXPECT_FLOAT_EQ(total, 58.0f);
    for (int row : {5, 6, 7, 8})
        EXPECT_FLOAT_EQ(pauses[row - 1].seconds, 1.0f) << row;
    EXPECT_EQ(pauses[0].notice, u"电子罗盘航速阈值，设置默认0"_s);
    EXPECT_EQ(pauses[14].notice, u"更改GPS频率:2Hz\r\n"_s);
    EXPECT_EQ(pauses[26].notice, u"设置天线微波默认登录密码Pass7391"_s);
    EXPECT_TRUE(pauses[30].notice.startsWith(u"设置特殊坐标区域指定基站数量0"_s));
    EXPECT_EQ(f.dialogs.titles, QStringList({u"警告"_s, u"警告"_s}));
    EXPECT_TRUE(f.dialogs.texts.last().startsWith(u"设置安装(前部与船载艏向,固定站真北)夹角"_s));
    EXPECT_TRUE(f.dialogs.texts.last().endsWith(u"通常由厂家出厂时设置，请谨慎修改！"_s));
    EXPECT_EQ(s->display.Label_NOTE.text(), u"初始设置参数完毕！"_s);
    EXPECT_EQ(s->display.Combo2.text(), u"?"_s);
    EXPECT_TRUE(f.logLines().isEmpty());
}

TEST_F(InitBoard, ProgressCountsRowsAndDisappearsAtTheEnd)
{
    QStringList shown;
    QObject::connect(&s->display, &Display::changed, [&](const QString &c, const QString &p, const QString &v) {
        if (c == u"progressBar"_s)
            shown << p + u'=' + v;
    });
    f.button(u"INIT"_s);
    ASSERT_EQ(pauses.size(), 31u);
    EXPECT_EQ(pauses[0].progress, u"1/31"_s);
    EXPECT_EQ(pauses[30].progress, u"31/31"_s);
    for (const Pause &p : pauses)
        EXPECT_TRUE(p.progressVisible);
    EXPECT_FALSE(s->display.progressBar.visible());
    EXPECT_EQ(shown.first(), u"text=0/31"_s);
    EXPECT_TRUE(shown.contains(u"value=3"_s)); // 1 of 31 rows
    EXPECT_TRUE(shown.contains(u"value=100"_s));
    EXPECT_EQ(shown.last(), u"visible=0"_s);
}

TEST_F(InitBoard, ConsoleCommandsTypedDuringAPauseGoOutBetweenRows)
{
    atPause = [&](int row) {
        if (row == 3)
            f.enter(u"p"_s);
    };
    f.enter(u"INIT"_s);
    const QByteArray bytes = f.boardBytes();
    EXPECT_TRUE(bytes.startsWith("cl0\r\nch15\r\ncH2\r\npcV2\r\n"));
    EXPECT_EQ(bytes.size(), kFactoryStream.size() + 1);
}

TEST_F(InitBoard, ASecondInitWhileOneRunsIsRefused)
{
    atPause = [&](int row) {
        if (row == 2) {
            f.enter(u"INITIAL"_s);
            EXPECT_EQ(s->display.Label_NOTE.text(), u"初始化设置正在进行中，请等待完成后再操作！"_s);
            f.button(u"IMPORT"_s);
            EXPECT_EQ(s->display.Label_NOTE.text(), u"初始化设置正在进行中，请等待完成后再操作！"_s);
            s->initSequence.init_board(); // a direct call is ignored as well
        }
    };
    f.enter(u"INIT"_s);
    EXPECT_EQ(f.boardBytes(), kFactoryStream);
    EXPECT_EQ(f.dialogs.titles.size(), 2) << "no second confirmation, one closing box";
    EXPECT_FALSE(s->initSequence.isRunning());
}

TEST_F(InitBoard, ALinkThatDropsEndsTheRunAndNothingGoesOutOnTheNewConnection)
{
    atPause = [&](int row) {
        if (row != 5)
            return;
        const QByteArray before = f.boardBytes();
        EXPECT_EQ(before, QByteArray("cl0\r\nch15\r\ncH2\r\ncV2\r\na99\r\n"));
        f.board.dropAll();
        ASSERT_TRUE(waitUntil([&] { return s->Winsock2.State() != TcpLink::Connected; }));
        s->Winsock2.Close();
        ConsoleFixture::connect(s->Winsock2, f.board); // back before the pause ends
    };
    f.enter(u"INIT"_s);
    EXPECT_EQ(pauses.size(), 5u);
    EXPECT_EQ(f.boardBytes(), QByteArray()) << "no row on the new connection";
    EXPECT_EQ(s->display.Label_NOTE.text(), u"初始化中断：与天线控制单片机的连接已断开！"_s);
    EXPECT_FALSE(s->display.progressBar.visible());
    EXPECT_EQ(f.dialogs.titles, QStringList{u"警告"_s}) << "no closing box";
    EXPECT_NE(s->display.Combo2.text(), u"?"_s);
    EXPECT_FALSE(s->initSequence.isRunning());

    // A new run on the new connection works from the top.
    pauses.clear();
    atPause = {};
    f.enter(u"INIT"_s);
    EXPECT_EQ(f.boardBytes(), kFactoryStream);
}

} // namespace
