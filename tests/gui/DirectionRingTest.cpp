#include "gui/DirectionRing.h"

#include "GuiInput.h"
#include "model/Display.h"

#include <QHelpEvent>
#include <QImage>
#include <QToolTip>

#include <gtest/gtest.h>

#include <vector>

using namespace korvane;

namespace {

class DirectionRingTest : public ::testing::Test {
protected:
    DirectionRingTest()
    {
        ring.resize(ring.sizeHint());
        centre = QRectF(ring.rect()).center();
        QObject::connect(&ring, &DirectionRing::dotDoubleClicked, [this](int i) { announced.push_back(i); });
    }

    QColor paintedAt(QPointF at)
    {
        return ring.grab().toImage().pixelColor(at.toPoint());
    }

    korvane::Display d;
    DirectionRing ring{d.angle};
    QPointF centre;
    std::vector<int> announced;
};

TEST_F(DirectionRingTest, DotsRunClockwiseFromTheBow)
{
    const double r = 50; // well inside the ring, well outside the centre dot
    EXPECT_NEAR(ring.dotCentre(0).x(), centre.x(), 0.5);
    EXPECT_LT(ring.dotCentre(0).y(), centre.y() - r);
    EXPECT_GT(ring.dotCentre(1).x(), centre.x());
    EXPECT_LT(ring.dotCentre(1).y(), centre.y());
    EXPECT_GT(ring.dotCentre(3).x(), centre.x() + r);
    EXPECT_NEAR(ring.dotCentre(3).y(), centre.y(), 0.5);
    EXPECT_GT(ring.dotCentre(6).y(), centre.y() + r);
    EXPECT_LT(ring.dotCentre(9).x(), centre.x() - r);
    EXPECT_LT(ring.dotCentre(11).x(), centre.x());
    EXPECT_LT(ring.dotCentre(11).y(), centre.y());
    EXPECT_EQ(ring.dotCentre(DirectionRing::kCentre), centre);
    for (int i = 0; i < DirectionRing::kDots; ++i)
        EXPECT_EQ(ring.dotAt(ring.dotCentre(i)), i);
    // Half-way between two neighbours is no dot.
    EXPECT_EQ(ring.dotAt((ring.dotCentre(0) + ring.dotCentre(1)) / 2), -1);
}

TEST_F(DirectionRingTest, DoubleClickAnnouncesTheDotUnderThePointer)
{
    test::doubleClick(&ring, ring.dotCentre(4));
    test::doubleClick(&ring, centre);
    test::doubleClick(&ring, QPointF(2, 2));
    EXPECT_EQ(announced, (std::vector<int>{4, DirectionRing::kCentre}));
}

TEST_F(DirectionRingTest, HiddenOrDisabledDotsTakeNoDoubleClick)
{
    d.angle[5]->setEnabled(false);
    d.angle[7]->setVisible(false);
    test::doubleClick(&ring, ring.dotCentre(5));
    test::doubleClick(&ring, ring.dotCentre(7));
    EXPECT_TRUE(announced.empty());
    d.angle[5]->setEnabled(true);
    test::doubleClick(&ring, ring.dotCentre(5));
    EXPECT_EQ(announced, std::vector<int>{5});
}

TEST_F(DirectionRingTest, DotsArePaintedInTheModelColour)
{
    EXPECT_EQ(paintedAt(ring.dotCentre(2)), QColor(0, 0, 0));
    d.angle[2]->setColour(colours::Red);
    EXPECT_EQ(paintedAt(ring.dotCentre(2)), QColor(255, 0, 0));
    EXPECT_EQ(paintedAt(ring.dotCentre(3)), QColor(0, 0, 0));
    const QColor middle = paintedAt(centre);
    EXPECT_GT(middle.green(), 120);
    EXPECT_LT(middle.red(), 60) << "the centre dot is green";
    d.angle[2]->setColour(colours::Black);
    EXPECT_EQ(paintedAt(ring.dotCentre(2)), QColor(0, 0, 0));
    d.angle[2]->setVisible(false);
    EXPECT_NE(paintedAt(ring.dotCentre(2)), QColor(0, 0, 0)) << "a hidden dot is not drawn";
}

TEST_F(DirectionRingTest, EachDotShowsItsOwnToolTip)
{
    ring.show();
    const QPoint at = ring.dotCentre(6).toPoint();
    QHelpEvent help(QEvent::ToolTip, at, ring.mapToGlobal(at));
    QApplication::sendEvent(&ring, &help);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("180度(正船尾)"));
    d.angle[6]->setToolTip(QStringLiteral("船尾"));
    QApplication::sendEvent(&ring, &help);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("船尾"));
}

} // namespace
