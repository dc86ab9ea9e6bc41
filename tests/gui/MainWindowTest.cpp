#include "gui/MainWindow.h"

#include "GuiInput.h"
#include "model/SettingKeys.h"
#include "gui/DirectionRing.h"
#include "gui/Lamp.h"
#include "gui/OperatorPanel.h"
#include "gui/StatusPanel.h"
#include "support/LoopbackServer.h"
#include "support/StationFixture.h"
#include "support/Wait.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::LoopbackServer;
using korvane::test::StationFixture;
using korvane::test::waitUntil;

namespace {

// The window is built before Form_Load, as main() does, so everything the
// load writes reaches the widgets as a change.
class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest()
    {
        window.show();
        window.layout()->activate();
        station.Form_Load();
    }

    // Points the controller link at `board` through the window and waits
    // until it is up.
    bool connectTo(LoopbackServer &board)
    {
        test::typeText(widget<QLineEdit>("Text4"), QStringLiteral("127.0.0.1:%1").arg(board.port()));
        test::click(widget<QPushButton>("Command1"));
        return waitUntil([&] { return station.Winsock2.State() == 7 && board.openClients() == 1; });
    }

    template <class W>
    W *widget(const char *name)
    {
        W *w = window.findChild<W *>(QString::fromLatin1(name));
        if (!w)
            ADD_FAILURE() << "no widget " << name;
        return w;
    }

    StationFixture f;
    Station &station = f.start(false);
    korvane::Display &d = station.display;
    MainWindow window{station};
};

TEST_F(MainWindowTest, ModelTextsShowInTheirWidgets)
{
    EXPECT_EQ(window.windowTitle(), QStringLiteral("korvane-station-动中通天线自动控制系统 V1.0.46"));
    d.Label_NOTE.setText(QStringLiteral("已经恢复自动驱动模式。"));
    EXPECT_EQ(widget<QLabel>("Label_NOTE")->text(), QStringLiteral("已经恢复自动驱动模式。"));
    d.Lbl_ALARM.setText(QStringLiteral("罗盘故障"));
    EXPECT_EQ(widget<QLabel>("Lbl_ALARM")->text(), QStringLiteral("罗盘故障"));
    d.Text1.setText(QStringLiteral("-58"));
    EXPECT_EQ(widget<QLineEdit>("Text1")->text(), QStringLiteral("-58"));
    d.Text4.setText(QStringLiteral("127.0.0.1:9000"));
    EXPECT_EQ(widget<QLineEdit>("Text4")->text(), QStringLiteral("127.0.0.1:9000"));
    EXPECT_EQ(widget<QLabel>("lanBytes")->text(), QStringLiteral("吞吐量 Mbps"));
    EXPECT_EQ(widget<QLineEdit>("Text10")->toolTip(), QStringLiteral("默认值8233"));
    EXPECT_EQ(widget<QPushButton>("Command1")->text(), QStringLiteral("连  接"));
    EXPECT_EQ(widget<QLineEdit>("Text7")->echoMode(), QLineEdit::Password);
}

TEST_F(MainWindowTest, LampsPaintTheModelColour)
{
    d.Label6.setColour(colours::Green);
    d.radioLamp.setColour(colours::Red);
    d.Label6.setToolTip(QStringLiteral("天线控制已连接"));
    for (const auto &[name, expected] : {std::pair{"Label6", QColor(0, 255, 0)}, std::pair{"radioLamp", QColor(255, 0, 0)}}) {
        Lamp *lamp = widget<Lamp>(name);
        const QImage image = lamp->grab().toImage();
        // Below right of the highlight the disc is the model colour itself.
        const QColor seen = image.pixelColor(image.width() * 5 / 8, image.height() * 5 / 8);
        EXPECT_LT(std::abs(seen.red() - expected.red()), 60) << name;
        EXPECT_LT(std::abs(seen.green() - expected.green()), 60) << name;
    }
    EXPECT_EQ(widget<Lamp>("Label6")->toolTip(), QStringLiteral("天线控制已连接"));
}

TEST_F(MainWindowTest, VisibleAndEnabledFollowTheModel)
{
    // An empty store leaves the ship-to-ship switches off and hidden.
    EXPECT_FALSE(widget<QCheckBox>("CHK_SHIP_AIS")->isVisibleTo(&window));
    EXPECT_FALSE(widget<QLabel>("Label5")->isVisibleTo(&window));
    d.CHK_SHIP_AIS.setVisible(true);
    d.Label5.setVisible(true);
    EXPECT_TRUE(widget<QCheckBox>("CHK_SHIP_AIS")->isVisibleTo(&window));
    EXPECT_TRUE(widget<QLabel>("Label5")->isVisibleTo(&window));

    d.lanByte.setVisible(false);
    d.lanBytes.setEnabled(false);
    EXPECT_FALSE(widget<QLineEdit>("lanByte")->isVisibleTo(&window));
    EXPECT_FALSE(widget<QLabel>("lanBytes")->isEnabled());
    d.lanByte.setVisible(true);
    d.lanBytes.setEnabled(true);
    EXPECT_TRUE(widget<QLineEdit>("lanByte")->isVisibleTo(&window));
    EXPECT_TRUE(widget<QLabel>("lanBytes")->isEnabled());

    d.Command1.setEnabled(false);
    auto *button = widget<QPushButton>("Command1");
    EXPECT_FALSE(button->isEnabled());
    // A text change on a disabled control still shows.
    d.Command1.setText(QStringLiteral("连接中"));
    EXPECT_EQ(button->text(), QStringLiteral("连接中"));
}

TEST_F(MainWindowTest, TypingInABoxChangesTheModelAndKeepsTheCaret)
{
    auto *box = widget<QLineEdit>("Text4");
    test::typeText(box, QStringLiteral("10.0.0.9"));
    EXPECT_EQ(d.Text4.text(), QStringLiteral("10.0.0.9"));
    box->setCursorPosition(2);
    test::typeText(box, QStringLiteral("1"));
    EXPECT_EQ(d.Text4.text(), QStringLiteral("101.0.0.9"));
    EXPECT_EQ(box->cursorPosition(), 3) << "the model's echo must not move the caret";
}

TEST_F(MainWindowTest, ConsoleListComesFromTheModelWithoutPickingAnEntry)
{
    auto *combo = widget<QComboBox>("Combo2");
    ASSERT_EQ(combo->count(), 12);
    EXPECT_EQ(combo->itemText(0), QStringLiteral("g"));
    EXPECT_EQ(combo->itemText(11), QStringLiteral("IMPORT"));
    EXPECT_EQ(combo->currentText(), QString()) << "the box shows the model's empty text";
    EXPECT_EQ(d.Combo2.text(), QString());
}

TEST_F(MainWindowTest, EnterInTheCommandBoxReachesTheController)
{
    LoopbackServer board;
    ASSERT_TRUE(connectTo(board));

    auto *combo = widget<QComboBox>("Combo2");
    test::typeText(combo, QStringLiteral("p"));
    EXPECT_EQ(d.Combo2.text(), QStringLiteral("p"));
    test::pressEnter(combo);
    ASSERT_TRUE(waitUntil([&] { return !board.received.isEmpty(); }));
    EXPECT_EQ(board.received, QByteArray("p"));
    EXPECT_EQ(combo->count(), 12) << "Enter must not add the command to the list";
    EXPECT_EQ(combo->currentText(), QStringLiteral("p"));
}

TEST_F(MainWindowTest, DoubleClicksOnTheRingDriveTheAntenna)
{
    LoopbackServer board;
    ASSERT_TRUE(connectTo(board));
    DirectionRing *ring = window.operatorPanel()->ring();
    test::doubleClick(ring, ring->dotCentre(3));
    ASSERT_TRUE(waitUntil([&] { return board.received.endsWith("\r\n"); }));
    EXPECT_EQ(board.received, QByteArray("[P0H90V0]\r\n"));
    EXPECT_EQ(widget<QPushButton>("Command_HFIX")->text(), QStringLiteral("90"));
    EXPECT_EQ(widget<QSlider>("Slider1")->value(), 90);

    board.received.clear();
    test::doubleClick(ring, ring->dotCentre(DirectionRing::kCentre));
    ASSERT_TRUE(waitUntil([&] { return board.received.endsWith("\r\n"); }));
    EXPECT_EQ(board.received, QByteArray("[P0H0V0]\r\n"));
    EXPECT_EQ(widget<QLabel>("Label_NOTE")->text(), QStringLiteral("已经恢复自动驱动模式。"));
}

TEST_F(MainWindowTest, EnterInTheLatitudeBoxSendsTheTarget)
{
    LoopbackServer board;
    ASSERT_TRUE(connectTo(board));
    auto *latitude = widget<QLineEdit>("Text12");
    test::typeText(latitude, QStringLiteral("30.5"));
    EXPECT_EQ(d.Text12.text(), QStringLiteral("30.5"));
    test::pressEnter(latitude);
    ASSERT_TRUE(waitUntil([&] { return board.received.endsWith("\r\n"); }));
    EXPECT_EQ(board.received, QByteArray("w30.5\r\n"));
    EXPECT_EQ(latitude->text(), QStringLiteral("30.5")) << "Enter adds nothing to the box";
}

TEST_F(MainWindowTest, ScriptProgressShowsOnlyWhileARunGoes)
{
    auto *bar = widget<QProgressBar>("progressBar");
    EXPECT_FALSE(bar->isVisibleTo(&window));
    d.progressBar.setVisible(true);
    d.progressBar.setValue(40);
    d.progressBar.setText(QStringLiteral("4/10"));
    EXPECT_TRUE(bar->isVisibleTo(&window));
    EXPECT_EQ(bar->value(), 40);
    EXPECT_EQ(bar->text(), QStringLiteral("4/10"));
    d.progressBar.setVisible(false);
    EXPECT_FALSE(bar->isVisibleTo(&window));
}

// A control the window forgets would silently never show.
TEST_F(MainWindowTest, EveryControlHasItsWidget)
{
    for (Control *control : d.controls()) {
        const QString name = control->name();
        if (name == QLatin1String("MainWindow"))
            EXPECT_EQ(window.objectName(), name);
        else if (name.startsWith(QLatin1String("angle(")))
            EXPECT_NE(window.findChild<DirectionRing *>(QStringLiteral("angle")), nullptr);
        else
            EXPECT_NE(window.findChild<QWidget *>(name), nullptr) << name.toStdString();
    }
}

TEST_F(MainWindowTest, TheCommandBoxShowsWhatWasTypedWithoutCompletion)
{
    auto *combo = widget<QComboBox>("Combo2");
    // Completion works only in the focused box.
    window.activateWindow();
    combo->setFocus();
    ASSERT_TRUE(waitUntil([&] { return combo->hasFocus(); }));
    test::typeText(combo, QStringLiteral("COMP"));
    EXPECT_EQ(combo->currentText(), QStringLiteral("COMP"));
    EXPECT_EQ(d.Combo2.text(), QStringLiteral("COMP"));
}

TEST_F(MainWindowTest, PickingAnEntryGoesThroughTheStation)
{
    auto *combo = widget<QComboBox>("Combo2");
    test::pressKey(combo, Qt::Key_Down);
    test::pressKey(combo, Qt::Key_Down);
    EXPECT_EQ(d.Combo2.text(), QStringLiteral("p"));
    d.Combo2.setText(QStringLiteral("COMP_TIME=600"));
    EXPECT_EQ(combo->currentText(), QStringLiteral("COMP_TIME=600"));
}

TEST_F(MainWindowTest, AutoConnectTickIsSavedByTheStation)
{
    auto *box = widget<QCheckBox>("Check1");
    test::click(box);
    EXPECT_EQ(d.Check1.value(), 1);
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(f.settings->read(keys::KORVANE_AUTOLINK), QStringLiteral("1"));
    d.Check1.setValue(0);
    EXPECT_FALSE(box->isChecked());
}

TEST_F(MainWindowTest, SliderFollowsTheModelAndTheHand)
{
    auto *slider = widget<QSlider>("Slider1");
    EXPECT_EQ(slider->minimum(), 0);
    EXPECT_EQ(slider->maximum(), 359);
    d.Slider1.setValue(120);
    EXPECT_EQ(slider->value(), 120);
    test::pressKey(slider, Qt::Key_Right);
    EXPECT_EQ(d.Slider1.value(), 121);
    test::pressKey(slider, Qt::Key_End);
    EXPECT_EQ(d.Slider1.value(), 359);
}

TEST_F(MainWindowTest, CollapseSwitchShortensAndRestoresTheWindow)
{
    auto *collapse = widget<QLabel>("Label18");
    EXPECT_EQ(window.frameGeometry().height(), 627);
    test::click(collapse);
    EXPECT_EQ(d.MainWindow.value(), 2900);
    EXPECT_EQ(collapse->text(), QStringLiteral("︾"));
    EXPECT_EQ(window.frameGeometry().height(), 193);
    // What stays in view is whole: the connection strip and the status lines.
    for (const char *name : {"Text3", "Text4", "Command1", "Text1", "Label_NOTE", "Lbl_ALARM", "Label18"}) {
        QWidget *w = widget<QWidget>(name);
        const QRect at(w->mapTo(&window, QPoint(0, 0)), w->size());
        EXPECT_TRUE(window.rect().contains(at)) << name;
    }
    EXPECT_FALSE(window.operatorPanel()->isVisible());
    // On a desktop the title bar takes its share of the 193 pixels too.
    constexpr int kTitleBar = 30;
    EXPECT_LE(window.statusPanel()->minimumSizeHint().height() + window.layout()->contentsMargins().top()
                  + window.layout()->contentsMargins().bottom(),
              193 - kTitleBar);

    // A double-click is one click and a double-click: one toggle, not two.
    test::doubleClick(collapse);
    EXPECT_EQ(d.MainWindow.value(), 9405);
    EXPECT_EQ(window.frameGeometry().height(), 627);
    EXPECT_TRUE(window.operatorPanel()->isVisible());
}

TEST_F(MainWindowTest, DoubleClicksOnTheAlarmAndTheTerminalCaption)
{
    d.Lbl_ALARM.setText(QStringLiteral("罗盘故障"));
    test::doubleClick(widget<QLabel>("Lbl_ALARM"));
    EXPECT_EQ(d.Lbl_ALARM.text(), QString());
    EXPECT_EQ(widget<QLabel>("Label_NOTE")->text(),
              QStringLiteral("已经清除告警信息，您也可以通过日志查看信息记录！"));

    test::doubleClick(widget<QLabel>("Label4"));
    ASSERT_EQ(f.reveal.revealed.size(), 1);
    EXPECT_TRUE(f.reveal.revealed.first().endsWith(QStringLiteral(".log")));
}

} // namespace
