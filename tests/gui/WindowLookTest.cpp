#include "gui/MainWindow.h"

#include "GuiInput.h"
#include "gui/DirectionRing.h"
#include "gui/Lamp.h"
#include "gui/OperatorPanel.h"
#include "gui/StaleMarks.h"
#include "gui/StatusPanel.h"
#include "support/StationFixture.h"

#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QToolTip>

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::StationFixture;

namespace {

class WindowLookTest : public ::testing::Test {
protected:
    WindowLookTest()
    {
        window.show();
        window.layout()->activate();
        station.Form_Load();
    }

    template <class W>
    W *widget(const QString &name)
    {
        W *w = window.findChild<W *>(name);
        if (!w)
            ADD_FAILURE() << "no widget " << name.toStdString();
        return w;
    }

    // Nested layouts fit new sizes when their posted requests are delivered,
    // as the event loop would before the next paint.
    void settle()
    {
        for (int i = 0; i < 4; ++i) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            window.layout()->activate();
        }
    }

    QColor textColour(QWidget *w)
    {
        return w->palette().color(qobject_cast<QLineEdit *>(w) ? QPalette::Text : QPalette::WindowText);
    }

    StationFixture f;
    Station &station = f.start(false);
    korvane::Display &d = station.display;
    MainWindow window{station};
};

TEST(StaleMarks, AgeTextsCountSecondsMinutesAndHours)
{
    const QDateTime now = QDateTime::fromString(QStringLiteral("2026-05-01T16:00:00"), Qt::ISODate);
    const struct {
        qint64 secondsAgo;
        const char *text;
    } rows[] = {{0, "0秒前"}, {32, "32秒前"}, {59, "59秒前"}, {60, "1分钟前"}, {305, "5分钟前"},
                {3599, "59分钟前"}, {3600, "1小时前"}, {7300, "2小时前"}, {-5, "0秒前"}};
    for (const auto &row : rows)
        EXPECT_EQ(StaleMarks::ageText(now.addSecs(-row.secondsAgo), now), QString::fromUtf8(row.text))
            << row.secondsAgo;
    EXPECT_EQ(StaleMarks::ageText(QDateTime(), now), QStringLiteral("无数据"));
}

// Every figure a feed marks stale is greyed with its age beside it, the
// age counts on with the clock, and a fresh reading gives the live look back.
TEST_F(WindowLookTest, StaleFiguresAreGreyedWithTheirAgeUntilFresh)
{
    const QStringList figures{QStringLiteral("Text1"),    QStringLiteral("Text15"),  QStringLiteral("lanByte"),
                              QStringLiteral("Text_Level"), QStringLiteral("Text_delta"), QStringLiteral("Ship"),
                              QStringLiteral("navAngle"), QStringLiteral("distvalue"), QStringLiteral("Label12")};
    d.Label12.setVisible(true);
    QHash<QString, QColor> live;
    for (const QString &name : figures)
        live[name] = textColour(widget<QWidget>(name));
    for (const QString &name : figures) {
        Control *c = d.find(name);
        c->setReadAt(f.clock.time.addSecs(-32));
        c->setStale(true);
    }
    EXPECT_TRUE(window.staleMarks()->ticking());
    for (const QString &name : figures)
        EXPECT_EQ(textColour(widget<QWidget>(name)), StaleMarks::staleColour()) << name.toStdString();
    for (const char *age : {"Text1Age", "Text15Age", "ShipAge", "navAngleAge", "distvalueAge", "Label12Age"}) {
        auto *label = widget<QLabel>(QString::fromLatin1(age));
        EXPECT_TRUE(label->isVisibleTo(&window)) << age;
        EXPECT_EQ(label->text(), QStringLiteral("32秒前")) << age;
    }
    // A figure out of view shows no age either.
    d.Label12.setVisible(false);
    EXPECT_FALSE(widget<QLabel>(QStringLiteral("Label12Age"))->isVisibleTo(&window));
    d.Label12.setVisible(true);
    EXPECT_TRUE(widget<QLabel>(QStringLiteral("Label12Age"))->isVisibleTo(&window));
    f.clock.time = f.clock.time.addSecs(5 * 60);
    window.staleMarks()->refresh();
    EXPECT_EQ(widget<QLabel>(QStringLiteral("Text1Age"))->text(), QStringLiteral("5分钟前"));

    for (const QString &name : figures)
        d.find(name)->setStale(false);
    EXPECT_FALSE(window.staleMarks()->ticking());
    for (const QString &name : figures)
        EXPECT_EQ(textColour(widget<QWidget>(name)), live[name]) << name.toStdString();
    for (const char *age : {"Text1Age", "ShipAge", "Label12Age"})
        EXPECT_FALSE(widget<QLabel>(QString::fromLatin1(age))->isVisibleTo(&window)) << age;
}

TEST_F(WindowLookTest, TheCaptionDropsTheSignalWhileItIsStale)
{
    const QString caption = QStringLiteral("korvane-station-动中通天线自动控制系统 V1.0.46");
    d.MainWindow.setText(caption + QStringLiteral(" -58"));
    EXPECT_EQ(window.windowTitle(), caption + QStringLiteral(" -58"));
    d.Text1.setStale(true);
    EXPECT_EQ(window.windowTitle(), caption);
    EXPECT_EQ(d.MainWindow.text(), caption + QStringLiteral(" -58"));
    d.Text1.setStale(false);
    EXPECT_EQ(window.windowTitle(), caption + QStringLiteral(" -58"));
    EXPECT_EQ(MainWindow::shownCaption(caption, true), caption);
}

TEST_F(WindowLookTest, LampsNameTheirStateAboveTheDesignToolTip)
{
    d.radioLamp.setToolTip(QStringLiteral("延迟 3ms"));
    d.radioLamp.setStatus(QStringLiteral("微波：断开 16:01:01（连接被拒绝）"));
    EXPECT_EQ(widget<Lamp>(QStringLiteral("radioLamp"))->toolTip(),
              QStringLiteral("微波：断开 16:01:01（连接被拒绝）\n延迟 3ms"));
    d.Label6.setStatus(QStringLiteral("控制板：正常 16:05:00"));
    EXPECT_EQ(widget<Lamp>(QStringLiteral("Label6"))->toolTip(), QStringLiteral("控制板：正常 16:05:00"));
    d.radioLamp.setToolTip(QString());
    EXPECT_EQ(widget<Lamp>(QStringLiteral("radioLamp"))->toolTip(), QStringLiteral("微波：断开 16:01:01（连接被拒绝）"));
}

// A notice longer than its room ends in "…" on one line, its beginning kept
// character for character; the whole of it is in the tool tip.
TEST_F(WindowLookTest, ALongNoticeIsElidedWithTheWholeTextInItsToolTip)
{
    for (const char *name : {"Label_NOTE", "Lbl_ALARM"}) {
        Control *c = d.find(QString::fromLatin1(name));
        auto *label = widget<QLabel>(QString::fromLatin1(name));
        QString whole;
        for (int i = 0; i < 12; ++i)
            whole += QStringLiteral("微波连接中断（连接被对方关闭）");
        c->setText(whole);
        const QString shown = label->text();
        ASSERT_TRUE(shown.endsWith(QStringLiteral("…"))) << name;
        EXPECT_TRUE(whole.startsWith(shown.chopped(1))) << name;
        EXPECT_LE(label->fontMetrics().horizontalAdvance(shown), label->contentsRect().width()) << name;
        // The alarm's own tool tip (how to clear it) follows the whole text.
        EXPECT_EQ(label->toolTip().split(QLatin1Char('\n')).first(), whole) << name;
        EXPECT_EQ(c->text(), whole);
        // A wider window shows more of it.
        window.resize(1400, window.height());
        window.layout()->activate();
        EXPECT_GT(label->text().size(), shown.size()) << name;
        window.resize(940, window.height());
        window.layout()->activate();
        c->setText(QStringLiteral("已经恢复自动驱动模式。"));
        EXPECT_EQ(label->text(), QStringLiteral("已经恢复自动驱动模式。"));
        EXPECT_EQ(label->toolTip(), c->toolTip()) << name;
    }
    // One line: no blank band waits under the signal row for a second one.
    auto *notice = widget<QLabel>(QStringLiteral("Label_NOTE"));
    EXPECT_LT(notice->height(), 2 * notice->fontMetrics().lineSpacing());
}

TEST_F(WindowLookTest, NumbersShowWithTheirUnitsAndTheModelTextsStay)
{
    d.Text_delta.setText(QStringLiteral("Δ:2"));
    d.Text1.setText(QStringLiteral("-58"));
    d.Ship.setText(QStringLiteral("远洋科考一号"));
    EXPECT_EQ(widget<QLineEdit>(QStringLiteral("Text_delta"))->text(), QStringLiteral("2"));
    EXPECT_EQ(d.Text_delta.text(), QStringLiteral("Δ:2"));
    EXPECT_EQ(widget<QLineEdit>(QStringLiteral("Text1"))->text(), QStringLiteral("-58"));
    QStringList captions;
    for (QLabel *label : window.statusPanel()->findChildren<QLabel *>())
        captions << label->text();
    for (const char *expected : {"dBm", "极化差值", "dB", "Mbps", "设备："})
        EXPECT_TRUE(captions.contains(QString::fromUtf8(expected))) << expected;
}

// Grown, the window draws its ring and figures larger, not only the
// terminal; collapsed and expanded again it has the height it had.
TEST_F(WindowLookTest, AGrownWindowGivesTheRingAndFiguresRoomAndCollapsingKeepsItsHeight)
{
    DirectionRing *ring = window.operatorPanel()->ring();
    auto *signal = widget<QLineEdit>(QStringLiteral("Text1"));
    const QSize ringAt = ring->size();
    const QSize signalAt = signal->size();
    const qreal signalPoints = signal->font().pointSizeF();
    window.resize(1600, 1000);
    settle();
    EXPECT_GT(window.scale(), 1.4);
    EXPECT_GT(ring->width(), ringAt.width() * 1.4);
    EXPECT_GT(signal->height(), signalAt.height());
    EXPECT_GT(signal->font().pointSizeF(), signalPoints * 1.4);
    // The drive panel grows with its ring: the whole ring is in view.
    EXPECT_TRUE(ring->parentWidget()->rect().contains(ring->geometry()));
    const QRect inWindow(ring->mapTo(&window, QPoint(0, 0)), ring->size());
    EXPECT_TRUE(window.rect().contains(inWindow));

    const int grown = window.height();
    ASSERT_NE(grown, 627);
    auto *collapse = widget<QLabel>(QStringLiteral("Label18"));
    test::click(collapse);
    EXPECT_EQ(window.frameGeometry().height(), 193);
    EXPECT_EQ(window.scale(), 1.0);
    test::click(collapse);
    EXPECT_EQ(window.height(), grown);
    EXPECT_GT(window.scale(), 1.4);

    window.resize(940, 627);
    window.layout()->activate();
    EXPECT_EQ(window.scale(), 1.0);
    EXPECT_EQ(ring->size(), ringAt);
    EXPECT_EQ(signal->size(), signalAt);
}

TEST_F(WindowLookTest, ASingleClickOnARingDotSaysThatADoubleClickDrives)
{
    DirectionRing *ring = window.operatorPanel()->ring();
    int clicked = -1;
    QObject::connect(ring, &DirectionRing::dotClicked, ring, [&clicked](int i) { clicked = i; });
    test::click(ring, ring->dotCentre(3));
    EXPECT_EQ(clicked, 3);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("双击驱动到该角度"));
    clicked = -1;
    test::click(ring, QPointF(2, 2));
    EXPECT_EQ(clicked, -1);
}

} // namespace
