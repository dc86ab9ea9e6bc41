// `ImportBasePoints` with real POINT.INI files in a temporary folder and a
// loopback board; the 0.3 s pacing is recorded instead of waited.
#include "ConsoleFixture.h"

#include "controller/BaseImport.h"

#include <QStringEncoder>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;
using namespace Qt::StringLiterals;

namespace {

class ImportFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        s = &f.start();
        s->baseImport.setWait([this](float seconds) -> Task<bool> {
            pauses << seconds;
            if (atPause)
                atPause(static_cast<int>(pauses.size()));
            co_return true;
        });
    }

    void write(const QString &name, const QByteArray &bytes)
    {
        QFile file(QDir(f.dir.path()).filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    // IMPORT on Enter, the overwrite warning answered OK and the multi-base
    // question answered `multiBase`.
    void import(Dialogs::Answer multiBase = Dialogs::Answer::Cancel)
    {
        f.dialogs.answer = Dialogs::Answer::Ok;
        f.dialogs.whileOpen = [this, multiBase] {
            if (f.dialogs.titles.last() == u"启用多基站模式"_s)
                f.dialogs.answer = multiBase;
        };
        f.enter(u"IMPORT"_s);
    }

    ConsoleFixture f;
    Station *s = nullptr;
    QList<float> pauses;
    std::function<void(int line)> atPause;
};

const QByteArray kMixedFile = "; 基站坐标：珠江口\r\n"
                              "/ zone lines follow the stations\r\n"
                              "\r\n"
                              "  p1j114.111111w23.222222d50  \r\n"
                              "x this line is neither\r\n"
                              "P2j114.2w23.3d10\r\n"
                              "\tz1 P2 N23.5 W114.0 S23.0 E114.5\r\n"
                              "T9\r\n";

const QByteArray kMixedSent = "p1j114.111111w23.222222d50\r\nP2j114.2w23.3d10\r\nz1 P2 N23.5 W114.0 S23.0 E114.5\r\n";

TEST(PointIniLines, ClassifiedTrimmedAndSplitAtAnyLineEnd)
{
    const QStringList sent = {u"p1j114.111111w23.222222d50"_s, u"P2j114.2w23.3d10"_s,
                              u"z1 P2 N23.5 W114.0 S23.0 E114.5"_s};
    EXPECT_EQ(BaseImport::commandLines(kMixedFile), sent);
    QByteArray lf = kMixedFile;
    lf.replace("\r\n", "\n");
    EXPECT_EQ(BaseImport::commandLines(lf), sent) << "LF only";
    QByteArray mixed = kMixedFile;
    mixed.replace("P2j114.2w23.3d10\r\n", "P2j114.2w23.3d10\n");
    EXPECT_EQ(BaseImport::commandLines(mixed), sent) << "a lone LF among CR LF";
    EXPECT_EQ(BaseImport::commandLines("\xEF\xBB\xBFp1j1w2d3\r\n"), QStringList{u"p1j1w2d3"_s}) << "UTF-8 mark";
    EXPECT_EQ(BaseImport::commandLines(""), QStringList());
    EXPECT_EQ(BaseImport::commandLines("Z0"), QStringList{u"Z0"_s}) << "no final line end";
}

TEST_F(ImportFixture, SendsStationAndZoneLinesPacedAndSwitchesToMultiBase)
{
    write(u"POINT.INI"_s, kMixedFile);
    QStringList progress;
    atPause = [&](int) {
        if (s->display.progressBar.visible())
            progress << s->display.progressBar.text() + u'@' + QString::number(s->display.progressBar.value());
    };
    import(Dialogs::Answer::Ok);
    EXPECT_EQ(progress, QStringList({u"1/3@33"_s, u"2/3@66"_s, u"3/3@100"_s}));
    EXPECT_EQ(f.boardBytes(), kMixedSent + "T3\r\n");
    EXPECT_EQ(pauses, QList<float>({0.3f, 0.3f, 0.3f, 1.0f}));
    EXPECT_EQ(s->display.Label_NOTE.text(), u"已启用多基站模式，基站数量: 3"_s);
    EXPECT_EQ(f.dialogs.titles, QStringList({u"警告 - 导入基站坐标"_s, u"启用多基站模式"_s}));
    EXPECT_EQ(f.dialogs.texts.last(), u"基站坐标导入完成！\r\n成功导入: 3 个基站\r\n\r\n是否启用多基站模式（执行T3命令）？"_s);
    EXPECT_EQ(f.dialogs.icons.last(), Dialogs::Icon::Question);
    EXPECT_EQ(f.dialogs.yesNoAsked, QList<bool>({false, true})) << "the overwrite warning, then Yes/No";
    EXPECT_EQ(s->display.Text2.text(), u"\r\n2024-05-01 12:00:00 开始导入POINT.INI基站坐标...\r\n"
                                       "发送: p1j114.111111w23.222222d50\r\n"
                                       "发送: P2j114.2w23.3d10\r\n"
                                       "发送: z1 P2 N23.5 W114.0 S23.0 E114.5\r\n"
                                       "\r\n2024-05-01 12:00:00 导入完成！\r\n"
                                       "成功导入: 3 条命令\r\n"
                                       "执行 T3 启用多基站模式\r\n"_s);
    EXPECT_FALSE(s->display.progressBar.visible());
}

TEST_F(ImportFixture, NoLeavesTheBoardInItsMode)
{
    write(u"POINT.INI"_s, kMixedFile);
    import(Dialogs::Answer::Cancel);
    EXPECT_EQ(f.boardBytes(), kMixedSent);
    EXPECT_EQ(s->display.Label_NOTE.text(), u"基站坐标导入完成！共导入 3 条命令"_s);
}

TEST_F(ImportFixture, EmptyOrCommentOnlyFileReportsZeroAndAsksNothing)
{
    for (const QByteArray &content : {QByteArray(), QByteArray("; nothing yet\r\n/ still nothing\r\n")}) {
        write(u"POINT.INI"_s, content);
        f.dialogs.titles.clear();
        import(Dialogs::Answer::Ok);
        EXPECT_EQ(f.dialogs.titles, QStringList{u"警告 - 导入基站坐标"_s});
        EXPECT_EQ(s->display.Label_NOTE.text(), u"基站坐标导入完成！共导入 0 条命令"_s);
        EXPECT_TRUE(s->display.Text2.text().endsWith(u"成功导入: 0 条命令\r\n"_s));
        EXPECT_EQ(f.boardBytes(), QByteArray());
    }
}

TEST_F(ImportFixture, MixedCaseNameIsFoundLowerCaseIsNot)
{
    write(u"point.ini"_s, "p9j1w2d3\r\n");
    import();
    EXPECT_EQ(f.dialogs.titles.last(), u"文件不存在"_s);
    // The box names the folder to put it in, not the executable's.
    EXPECT_EQ(f.dialogs.texts.last(), u"未找到配置文件: POINT.INI\r\n请将预设的基站配置坐标文件放在文件夹："_s
                                          + QDir::toNativeSeparators(f.dir.path()));
    EXPECT_EQ(f.dialogs.icons.last(), Dialogs::Icon::Warning);
    EXPECT_EQ(f.boardBytes(), QByteArray());

    write(u"POINT.ini"_s, "p8j1w2d3\r\n");
    import();
    EXPECT_EQ(f.boardBytes(), QByteArray("p8j1w2d3\r\n"));
}

TEST_F(ImportFixture, MissingFileIsReportedBeforeTheMissingLink)
{
    s->Winsock2.Close();
    const QString terminal = s->display.Text2.text(); // the loss line only
    import();
    EXPECT_EQ(f.dialogs.titles.last(), u"文件不存在"_s);
    write(u"POINT.INI"_s, kMixedFile);
    import();
    EXPECT_EQ(f.dialogs.titles.last(), u"连接错误"_s);
    EXPECT_EQ(f.dialogs.texts.last(), u"未连接到天线控制单片机，请先连接！"_s);
    EXPECT_EQ(s->display.Text2.text(), terminal);
}

TEST_F(ImportFixture, GbkFileWithChineseCommentsIsImported)
{
    QStringEncoder gbk("GBK");
    ASSERT_TRUE(gbk.isValid());
    // The ideographic space before the last record is a blank only when the
    // file is read as GBK.
    write(u"POINT.INI"_s, gbk.encode(u"; 注释：基站一号\r\np1j114.1w22.5d10\r\n/ 区域\r\n\u3000Z1 P1 N23 W113 S22 E114\r\n"_s));
    import();
    EXPECT_EQ(f.boardBytes(), QByteArray("p1j114.1w22.5d10\r\nZ1 P1 N23 W113 S22 E114\r\n"));
}

TEST_F(ImportFixture, FortyThousandLinesAllGoOut)
{
    s->baseImport.setWait(noWait);
    QByteArray content;
    for (int i = 1; i <= 40000; ++i)
        content += "p" + QByteArray::number(i) + "j114.1w22.5d10\r\n";
    write(u"POINT.INI"_s, content);
    import(Dialogs::Answer::Ok);
    EXPECT_EQ(s->display.Label_NOTE.text(), u"已启用多基站模式，基站数量: 40000"_s);
    const QByteArray bytes = f.boardBytes();
    EXPECT_EQ(bytes.size(), content.size() + QByteArray("T40000\r\n").size());
    EXPECT_TRUE(bytes.endsWith("p40000j114.1w22.5d10\r\nT40000\r\n"));
    EXPECT_LE(s->display.Text2.text().size(), Display::kTerminalCap);
}

TEST_F(ImportFixture, UnreadableFileReportsTheReason)
{
    ASSERT_TRUE(QDir(f.dir.path()).mkdir(u"POINT.INI"_s)); // exists, cannot be read as a file
    import(Dialogs::Answer::Ok);
    EXPECT_EQ(f.dialogs.titles.last(), u"错误"_s);
    EXPECT_TRUE(f.dialogs.texts.last().startsWith(u"导入错误: "_s));
    EXPECT_GT(f.dialogs.texts.last().size(), u"导入错误: "_s.size()) << "with a reason";
    EXPECT_EQ(f.dialogs.icons.last(), Dialogs::Icon::Error);
    EXPECT_TRUE(s->display.Text2.text().endsWith(f.dialogs.texts.last() + u"\r\n"_s));
    EXPECT_EQ(s->display.Label_NOTE.text(), u"基站坐标导入失败"_s);
    EXPECT_EQ(f.boardBytes(), QByteArray());
}

TEST_F(ImportFixture, ALinkThatDropsEndsTheImportWithAnError)
{
    write(u"POINT.INI"_s, kMixedFile);
    atPause = [&](int line) {
        if (line != 1)
            return;
        EXPECT_EQ(f.boardBytes(), QByteArray("p1j114.111111w23.222222d50\r\n"));
        f.board.dropAll();
        ASSERT_TRUE(waitUntil([&] { return s->Winsock2.State() != TcpLink::Connected; }));
        s->Winsock2.Close();
        ConsoleFixture::connect(s->Winsock2, f.board);
    };
    import(Dialogs::Answer::Ok);
    EXPECT_EQ(f.boardBytes(), QByteArray()) << "nothing on the new connection";
    EXPECT_EQ(f.dialogs.titles.last(), u"错误"_s);
    EXPECT_EQ(f.dialogs.texts.last(), u"导入错误: 与天线控制单片机的连接已断开"_s);
    EXPECT_EQ(f.dialogs.icons.last(), Dialogs::Icon::Error);
    EXPECT_EQ(s->display.Label_NOTE.text(), u"基站坐标导入失败"_s);
    EXPECT_FALSE(f.dialogs.titles.contains(u"启用多基站模式"_s));
    EXPECT_FALSE(s->display.progressBar.visible());
    EXPECT_FALSE(s->baseImport.isRunning());
}

TEST_F(ImportFixture, ASecondImportWhileOneRunsIsRefused)
{
    write(u"POINT.INI"_s, kMixedFile);
    atPause = [&](int line) {
        if (line == 1) {
            f.button(u"import"_s);
            EXPECT_EQ(s->display.Label_NOTE.text(), u"基站坐标正在导入中，请等待完成后再操作！"_s);
            f.enter(u"INIT"_s);
            EXPECT_EQ(s->display.Label_NOTE.text(), u"基站坐标正在导入中，请等待完成后再操作！"_s);
        }
    };
    import(Dialogs::Answer::Cancel);
    EXPECT_EQ(f.boardBytes(), kMixedSent);
    EXPECT_EQ(f.dialogs.titles, QStringList({u"警告 - 导入基站坐标"_s, u"启用多基站模式"_s}));
}

} // namespace
