#include "gui/MainWindow.h"

#include "gui/Fonts.h"
#include "support/StationFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::StationFixture;

namespace {

// Every character the window shows must come from a real glyph, not a box.
TEST(Fonts, CoverEveryGlyphTheWindowShows)
{
    const QString shown = QStringLiteral("微波设备IP：天线控制信号电平指示(dBm)带宽容量超级终端手动控制命令输入窗口"
                                         "发送连接︽︾●▁▃▅▇█　Δ：，。！"
                                         "秒前分钟小时无数据极化差值设备…（）断开正常双击驱动到该角度恢复自动未上报");
    for (const QFont &font : {stationFont(), terminalFont()}) {
        const QFontMetrics metrics(font);
        for (QChar c : shown)
            EXPECT_TRUE(metrics.inFont(c)) << font.family().toStdString() << " lacks U+"
                                           << QString::number(c.unicode(), 16).toStdString();
    }
}

// The display of a station in mid-run: both links up, figures, a notice,
// an alarm and the terminal.
void fillMidRun(korvane::Display &d)
{
    d.Text3.setText(QStringLiteral("192.168.1.20"));
    d.Text14.setText(QStringLiteral("ubnt"));
    d.Text7.setText(QStringLiteral("secret"));
    d.Text4.setText(QStringLiteral("192.168.1.30"));
    d.Text10.setText(QStringLiteral("8233"));
    d.Check1.setValue(1);
    d.Label6.setColour(colours::Green);
    d.radioLamp.setColour(colours::Yellow);
    d.Text1.setText(QStringLiteral("-58"));
    d.Text_Level.setText(QStringLiteral("▁ ▃ ▅ ▇ 　"));
    d.Text_delta.setText(QStringLiteral("Δ:2"));
    d.Text15.setText(QStringLiteral("300 /300"));
    d.lanByte.setText(QStringLiteral("12.5 /3.75"));
    d.Ship.setText(QStringLiteral("远洋科考一号"));
    d.distvalue.setText(QStringLiteral("12.345km"));
    d.navAngle.setText(QStringLiteral("271度航速12节"));
    d.Label_NOTE.setText(QStringLiteral("手动驱动：点击图标四周任意黑圆点，强制人工转动天线到指定方位，仅粗调模式，"
                                        "如需细调整则拖动下侧角度条，如需恢复自动驱动双击中间绿色圆点。"));
    d.Lbl_ALARM.setText(QStringLiteral("告警：罗盘数据长时间未变化"));
    d.angle[3]->setColour(colours::Red);
    for (Control *shown : {&d.CHK_SHIP_AIS, &d.Label5, &d.SHIP_AIS_DRIVE, &d.Label12})
        shown->setVisible(true);
    d.CHK_SHIP_AIS.setValue(1);
    d.Slider1.setValue(90);
    d.Command_HFIX.setText(QStringLiteral("90"));
    d.cmdtips.setText(QStringLiteral("p查询当前天线姿态"));
    d.progressBar.setVisible(true);
    d.progressBar.setValue(40);
    d.progressBar.setText(QStringLiteral("8/20"));
    d.Label4.setText(QStringLiteral("超级终端（日志）"));
    for (int i = 0; i < 40; ++i)
        d.Text2.append(QStringLiteral("12:00:%1 执行 俯仰32.5 方位%2 罗盘271 距离12.345km 信号-58\r\n")
                           .arg(i, 2, 10, QLatin1Char('0'))
                           .arg(90 + i));
}

// Nested layouts fit a changed text or font when their posted layout
// requests are delivered, as the event loop would before the next paint.
void settle(QWidget &window)
{
    for (int i = 0; i < 4; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        window.layout()->activate();
    }
}

// Every box and label on show lies inside the window.
void expectBoxesInside(QWidget &window)
{
    for (QWidget *w : window.findChildren<QWidget *>()) {
        if (!w->isVisibleTo(&window) || (!qobject_cast<QLabel *>(w) && !qobject_cast<QLineEdit *>(w)))
            continue;
        const QRect at(w->mapTo(&window, QPoint(0, 0)), w->size());
        EXPECT_TRUE(window.rect().contains(at)) << w->objectName().toStdString();
    }
}

QString screenshotFolder()
{
    const QString folder = QStringLiteral(KORVANE_BINARY_DIR "/screenshots");
    EXPECT_TRUE(QDir().mkpath(folder));
    return folder;
}

// A station in mid-run, grabbed to build/screenshots for a look by eye;
// and every box and label of the top part lies inside the window.
TEST(Screenshot, MainWindowInMidRun)
{
    StationFixture f;
    // The history button shows as it does in service.
    f.historyFile = QDir(f.dir.path()).filePath(QStringLiteral("history.sqlite"));
    Station &station = f.start(false);
    MainWindow window(station);
    window.show();
    station.Form_Load();
    fillMidRun(station.display);
    settle(window);

    expectBoxesInside(window);

    const QString folder = screenshotFolder();
    const QImage expanded = window.grab().toImage();
    EXPECT_EQ(window.frameGeometry().height(), 627);
    EXPECT_TRUE(expanded.save(folder + QStringLiteral("/main-window.png")));
    station.click(QStringLiteral("Label18"));
    EXPECT_TRUE(window.grab().toImage().save(folder + QStringLiteral("/main-window-collapsed.png")));
}

// The window at the size of a maximised one on a 1600×900 screen: every
// box and label still inside it.
TEST(Screenshot, MainWindowMaximised)
{
    StationFixture f;
    f.historyFile = QDir(f.dir.path()).filePath(QStringLiteral("history.sqlite"));
    Station &station = f.start(false);
    MainWindow window(station);
    window.show();
    station.Form_Load();
    korvane::Display &d = station.display;
    fillMidRun(d);
    d.Lbl_ALARM.setText(QString());
    const QString folder = screenshotFolder();
    d.radioLamp.setColour(colours::Green);
    d.radioLamp.setStatus(QStringLiteral("微波：正常 ") + f.clock.time.toString(QStringLiteral("HH:mm:ss")));
    d.Label_NOTE.setText(QStringLiteral("微波登录成功！"));
    window.resize(1600, 870);
    settle(window);
    expectBoxesInside(window);
    EXPECT_TRUE(window.grab().toImage().save(folder + QStringLiteral("/main-window-maximised.png")));
}

} // namespace
