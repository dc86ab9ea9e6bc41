#include "gui/StatusPanel.h"

#include "app/Station.h"
#include "gui/Binding.h"
#include "gui/ClickLabel.h"
#include "gui/Lamp.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvane {

namespace {

QLabel *caption(const char *text, QWidget *parent)
{
    auto *label = new QLabel(QString::fromUtf8(text), parent);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

// Boxes of the top part are one text line high, so the collapsed window
// still holds all of it.
QLineEdit *box(int width, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setFixedSize(width, edit->fontMetrics().height() + 6);
    return edit;
}

// Two lines of text in the label's font, for the notice and alarm lines.
int twoLines(const QWidget *w)
{
    return w->fontMetrics().lineSpacing() * 2 + 4;
}

} // namespace

StatusPanel::StatusPanel(Station &station, QWidget *parent)
    : QWidget(parent), m_station(station)
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(3);
    column->addWidget(connectionStrip());
    column->addWidget(figures());
    column->addWidget(noticeRow());
}

void StatusPanel::addCaptionedBox(QGridLayout *grid, int row, int column, const char *text, QWidget *w)
{
    grid->addWidget(caption(text, grid->parentWidget()), row, column);
    grid->addWidget(w, row, column + 1);
}

// Radio on the first row, controller on the second, each with its lamp;
// the connect button spans both rows; the two start-up switches at the end.
QWidget *StatusPanel::connectionStrip()
{
    Display &d = m_station.display;
    auto *strip = new QFrame(this);
    strip->setFrameShape(QFrame::StyledPanel);
    auto *grid = new QGridLayout(strip);
    grid->setContentsMargins(8, 3, 8, 3);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(3);

    grid->addWidget(new Lamp(d.radioLamp, strip), 0, 0);
    auto *radioAddress = box(150, strip);
    bindEditBox(radioAddress, d.Text3, m_station);
    addCaptionedBox(grid, 0, 1, "微波设备IP：", radioAddress);
    auto *user = box(90, strip);
    bindEditBox(user, d.Text14, m_station);
    addCaptionedBox(grid, 0, 3, "用户：", user);
    auto *password = box(90, strip);
    password->setEchoMode(QLineEdit::Password);
    bindEditBox(password, d.Text7, m_station);
    addCaptionedBox(grid, 0, 5, "密码：", password);

    grid->addWidget(new Lamp(d.Label6, strip), 1, 0);
    auto *controllerAddress = box(150, strip);
    bindEditBox(controllerAddress, d.Text4, m_station);
    addCaptionedBox(grid, 1, 1, "天线控制IP：", controllerAddress);
    auto *port = box(90, strip);
    bindEditBox(port, d.Text10, m_station);
    addCaptionedBox(grid, 1, 3, "端口：", port);

    auto *connectButton = new QPushButton(strip);
    connectButton->setMinimumWidth(90);
    connectButton->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    bindButton(connectButton, d.Command1, m_station);
    grid->addWidget(connectButton, 0, 8, 2, 1);
    grid->setColumnStretch(7, 1);

    auto *autoConnect = new QCheckBox(strip);
    bindCheckBox(autoConnect, d.Check1, m_station);
    addCaptionedBox(grid, 0, 9, "开启软件时自动连接：", autoConnect);
    auto *cloud = new QCheckBox(strip);
    bindCheckBox(cloud, d.Cloud, m_station);
    addCaptionedBox(grid, 1, 9, "云平台上报：", cloud);
    return strip;
}

// The signal box as the radio reports it: level in dBm, the quality bar and
// the chain difference, framed together.
QWidget *StatusPanel::signalGroup()
{
    Display &d = m_station.display;
    auto *group = new QGroupBox(QStringLiteral("信号电平指示(dBm)"), this);
    auto *row = new QHBoxLayout(group);
    row->setContentsMargins(8, 0, 8, 3);
    row->setSpacing(6);
    auto *level = box(64, group);
    QFont big = level->font();
    big.setPointSizeF(big.pointSizeF() * 1.35);
    big.setBold(true);
    level->setFont(big);
    level->setAlignment(Qt::AlignCenter);
    bindDisplayBox(level, d.Text1);
    auto *bar = box(104, group);
    bar->setStyleSheet(QStringLiteral("color: #138a36;"));
    bindDisplayBox(bar, d.Text_Level);
    auto *delta = box(56, group);
    bindDisplayBox(delta, d.Text_delta);
    row->addWidget(level);
    row->addWidget(bar);
    row->addWidget(delta);
    return group;
}

// Signal, capacity and throughput, then the device and its bearing data.
QWidget *StatusPanel::figures()
{
    Display &d = m_station.display;
    auto *panel = new QWidget(this);
    auto *row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);
    row->addWidget(signalGroup());

    auto *rates = new QGridLayout;
    rates->setVerticalSpacing(3);
    auto *capacity = box(110, panel);
    bindDisplayBox(capacity, d.Text15);
    rates->addWidget(caption("带宽容量(下/上行)Mbps", panel), 0, 0);
    rates->addWidget(capacity, 0, 1);
    auto *throughputCaption = new QLabel(panel);
    throughputCaption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    bindLabel(throughputCaption, d.lanBytes);
    auto *throughput = box(110, panel);
    bindDisplayBox(throughput, d.lanByte);
    rates->addWidget(throughputCaption, 1, 0);
    rates->addWidget(throughput, 1, 1);
    row->addLayout(rates);

    auto *vessel = new QGridLayout;
    vessel->setVerticalSpacing(3);
    auto *ship = new QLabel(panel);
    QFont bold = ship->font();
    bold.setBold(true);
    ship->setFont(bold);
    ship->setMinimumWidth(120);
    bindLabel(ship, d.Ship);
    vessel->addWidget(ship, 0, 0, 1, 2);
    auto *heading = new QLabel(panel);
    bindLabel(heading, d.navAngle);
    vessel->addWidget(heading, 0, 2);
    auto *distCaption = new QLabel(panel);
    bindLabel(distCaption, d.dist);
    auto *distance = new QLabel(panel);
    distance->setFont(bold);
    bindLabel(distance, d.distvalue);
    vessel->addWidget(distCaption, 1, 0);
    vessel->addWidget(distance, 1, 1, 1, 2);
    vessel->setColumnStretch(2, 1);
    row->addLayout(vessel, 1);
    return panel;
}

// The notice line, the alarm line in red, and the collapse switch. Both
// lines wrap to two rows and never widen the window.
QWidget *StatusPanel::noticeRow()
{
    Display &d = m_station.display;
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(4, 0, 0, 0);
    layout->setSpacing(10);

    auto *notice = new QLabel(row);
    notice->setWordWrap(true);
    notice->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    notice->setFixedHeight(twoLines(notice));
    // A long notice keeps its beginning in view; the rest is cut below.
    notice->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    notice->setStyleSheet(QStringLiteral("color: #1d4f91;"));
    bindLabel(notice, d.Label_NOTE);
    layout->addWidget(notice, 3);

    auto *alarm = new ClickLabel(row);
    alarm->setWordWrap(true);
    alarm->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    alarm->setFixedHeight(twoLines(alarm));
    alarm->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    alarm->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
    bindLabel(alarm, d.Lbl_ALARM);
    connect(alarm, &ClickLabel::doubleClicked, this, [this] { m_station.click(QStringLiteral("Lbl_ALARM")); });
    layout->addWidget(alarm, 2);

    auto *collapse = new ClickLabel(row);
    QFont arrows = collapse->font();
    arrows.setPointSizeF(arrows.pointSizeF() * 1.4);
    collapse->setFont(arrows);
    collapse->setCursor(Qt::PointingHandCursor);
    collapse->setAlignment(Qt::AlignCenter);
    collapse->setFixedWidth(28);
    bindLabel(collapse, d.Label18);
    connect(collapse, &ClickLabel::clicked, this, [this] { m_station.click(QStringLiteral("Label18")); });
    layout->addWidget(collapse, 0, Qt::AlignBottom);
    return row;
}

} // namespace korvane
