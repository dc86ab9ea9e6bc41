#include "gui/StatusPanel.h"

#include "app/Station.h"
#include "gui/Binding.h"
#include "gui/ClickLabel.h"
#include "gui/ElidedLabel.h"
#include "gui/Lamp.h"
#include "gui/StaleMarks.h"

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

// One line of text in the label's font, for the notice and alarm lines.
int oneLine(const QWidget *w)
{
    return w->fontMetrics().lineSpacing() + 4;
}

// "Δ:2" as the box beside its caption shows it: the number alone.
QString deltaFigure(const QString &text)
{
    return text.startsWith(QStringLiteral("Δ:")) ? text.mid(2) : text;
}

} // namespace

StatusPanel::StatusPanel(Station &station, StaleMarks &stale, QWidget *parent)
    : QWidget(parent), m_station(station), m_stale(stale)
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
// the chain difference, framed together, each number with its unit.
QWidget *StatusPanel::signalGroup()
{
    Display &d = m_station.display;
    auto *group = new QGroupBox(QStringLiteral("信号电平指示"), this);
    auto *row = new QHBoxLayout(group);
    row->setContentsMargins(8, 0, 8, 3);
    row->setSpacing(4);
    auto *level = new QLineEdit(group);
    QFont big = level->font();
    big.setPointSizeF(big.pointSizeF() * 1.35);
    big.setBold(true);
    level->setFont(big);
    level->setFixedSize(64, level->fontMetrics().height() + 6);
    level->setAlignment(Qt::AlignCenter);
    bindDisplayBox(level, d.Text1);
    auto *bar = box(88, group);
    bar->setStyleSheet(QStringLiteral("color: #138a36;"));
    bindDisplayBox(bar, d.Text_Level);
    auto *delta = box(40, group);
    delta->setAlignment(Qt::AlignCenter);
    bindDisplayBox(delta, d.Text_delta, &deltaFigure);
    for (QWidget *w : {static_cast<QWidget *>(level), static_cast<QWidget *>(bar), static_cast<QWidget *>(delta)})
        m_scaled.add(w, true);
    row->addWidget(level, 2);
    row->addWidget(scaledLabel(QStringLiteral("dBm"), group));
    row->addWidget(bar, 3);
    row->addWidget(scaledLabel(QStringLiteral("极化差值"), group));
    row->addWidget(delta, 1);
    row->addWidget(scaledLabel(QStringLiteral("dB"), group));
    QLabel *age = ageLabel(level, d.Text1);
    m_stale.watch(bar, d.Text_Level, age);
    m_stale.watch(delta, d.Text_delta, age);
    row->addWidget(age);
    return group;
}

// Capacity and throughput in Mbps. Laid out in the figures' own widget, so
// one activation of the window's layout fits every text.
QLayout *StatusPanel::capacities(QWidget *panel)
{
    Display &d = m_station.display;
    auto *rates = new QGridLayout;
    rates->setHorizontalSpacing(4);
    rates->setVerticalSpacing(3);
    auto *capacity = box(84, panel);
    bindDisplayBox(capacity, d.Text15);
    rates->addWidget(scaledLabel(QStringLiteral("带宽容量(下/上行)"), panel), 0, 0, Qt::AlignRight);
    rates->addWidget(capacity, 0, 1);
    rates->addWidget(scaledLabel(QStringLiteral("Mbps"), panel), 0, 2);
    // The throughput's caption is the model's and carries its unit.
    auto *throughputCaption = new QLabel(panel);
    throughputCaption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    bindLabel(throughputCaption, d.lanBytes);
    m_scaled.add(throughputCaption, false);
    auto *throughput = box(84, panel);
    bindDisplayBox(throughput, d.lanByte);
    rates->addWidget(throughputCaption, 1, 0);
    rates->addWidget(throughput, 1, 1);
    m_scaled.add(capacity, true);
    m_scaled.add(throughput, true);
    QLabel *age = ageLabel(capacity, d.Text15);
    m_stale.watch(throughput, d.lanByte, age);
    rates->addWidget(age, 0, 3, 2, 1);
    return rates;
}

// The device the radio names, the heading and the distance to the target.
QLayout *StatusPanel::vessel(QWidget *panel)
{
    Display &d = m_station.display;
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(3);
    auto *ship = new QLabel(panel);
    QFont bold = ship->font();
    bold.setBold(true);
    ship->setFont(bold);
    // Room for a name, so the heading beside it never reads as the device.
    ship->setMinimumWidth(90);
    bindLabel(ship, d.Ship);
    m_scaled.add(ship, false);
    auto *shipRow = new QHBoxLayout;
    shipRow->setSpacing(4);
    shipRow->addWidget(scaledLabel(QStringLiteral("设备："), panel));
    shipRow->addWidget(ship);
    shipRow->addWidget(ageLabel(ship, d.Ship));
    shipRow->addSpacing(6);
    auto *heading = new QLabel(panel);
    bindLabel(heading, d.navAngle);
    m_scaled.add(heading, false);
    shipRow->addWidget(heading);
    shipRow->addWidget(ageLabel(heading, d.navAngle));
    shipRow->addStretch(1);
    grid->addLayout(shipRow, 0, 0, 1, 3);
    auto *distCaption = new QLabel(panel);
    bindLabel(distCaption, d.dist);
    m_scaled.add(distCaption, false);
    auto *distance = new QLabel(panel);
    distance->setFont(bold);
    bindLabel(distance, d.distvalue);
    m_scaled.add(distance, false);
    grid->addWidget(distCaption, 1, 0);
    grid->addWidget(distance, 1, 1);
    grid->addWidget(ageLabel(distance, d.distvalue), 1, 2, Qt::AlignLeft);
    grid->setColumnStretch(2, 1);
    return grid;
}

// Signal, capacity and throughput, then the device and its bearing data,
// which take what the window's width leaves.
QWidget *StatusPanel::figures()
{
    auto *panel = new QWidget(this);
    auto *row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addWidget(signalGroup());
    row->addLayout(capacities(panel));
    row->addLayout(vessel(panel), 1);
    return panel;
}

// The notice line, the alarm line in red, and the collapse switch: one line
// each, a longer text ends in "…" with the whole of it in the tool tip.
QWidget *StatusPanel::noticeRow()
{
    Display &d = m_station.display;
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(4, 0, 0, 0);
    layout->setSpacing(10);

    auto *notice = new QLabel(row);
    notice->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    notice->setStyleSheet(QStringLiteral("color: #1d4f91;"));
    notice->setFixedHeight(oneLine(notice));
    bindElidedLabel(notice, d.Label_NOTE);
    m_scaled.add(notice, false);
    layout->addWidget(notice, 3);

    auto *alarm = new ClickLabel(row);
    alarm->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    alarm->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
    alarm->setFixedHeight(oneLine(alarm));
    bindElidedLabel(alarm, d.Lbl_ALARM);
    m_scaled.add(alarm, false);
    connect(alarm, &ClickLabel::doubleClicked, this, [this] { m_station.click(QStringLiteral("Lbl_ALARM")); });
    layout->addWidget(alarm, 2);

    auto *collapse = new ClickLabel(row);
    QFont arrows = collapse->font();
    arrows.setPointSizeF(arrows.pointSizeF() * 1.4);
    collapse->setFont(arrows);
    collapse->setCursor(Qt::PointingHandCursor);
    collapse->setAlignment(Qt::AlignCenter);
    collapse->setFixedSize(28, oneLine(collapse));
    bindLabel(collapse, d.Label18);
    connect(collapse, &ClickLabel::clicked, this, [this] { m_station.click(QStringLiteral("Label18")); });
    layout->addWidget(collapse, 0, Qt::AlignBottom);
    return row;
}

QLabel *StatusPanel::ageLabel(QWidget *figure, Control &control)
{
    auto *age = new QLabel(figure->parentWidget());
    QFont small = age->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    age->setFont(small);
    m_scaled.add(age, false);
    m_stale.watch(figure, control, age);
    return age;
}

QLabel *StatusPanel::scaledLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    m_scaled.add(label, false);
    return label;
}

} // namespace korvane
