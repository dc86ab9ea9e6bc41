#include "gui/OperatorPanel.h"

#include "app/Station.h"
#include "gui/Binding.h"
#include "gui/ClickLabel.h"
#include "gui/DirectionRing.h"
#include "gui/ScanPanel.h"
#include "gui/StaleMarks.h"
#include "gui/TerminalView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace korvane {

namespace {

constexpr int kDriveWidth = 250;
constexpr int kLastDegree = 359;

} // namespace

OperatorPanel::OperatorPanel(Station &station, StaleMarks &stale, QWidget *parent)
    : QWidget(parent), m_station(station), m_stale(stale)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    row->addWidget(drivePanel());
    row->addWidget(terminalPanel(), 1);
}

void OperatorPanel::setScale(double scale)
{
    m_drive->setFixedWidth(int(std::lround(kDriveWidth * scale)));
    m_scaled.apply(scale);
}

QWidget *OperatorPanel::drivePanel()
{
    Display &d = m_station.display;
    auto *panel = new QFrame(this);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFixedWidth(kDriveWidth);
    m_drive = panel;
    auto *column = new QVBoxLayout(panel);
    column->setContentsMargins(8, 6, 8, 8);
    column->setSpacing(6);

    m_ring = new DirectionRing(d.angle, panel);
    m_ring->setFixedSize(m_ring->sizeHint());
    m_scaled.add(m_ring, true);
    connect(m_ring, &DirectionRing::dotDoubleClicked, this,
            [this](int index) { m_station.click(QStringLiteral("angle"), index); });
    column->addWidget(m_ring, 0, Qt::AlignHCenter);

    auto *adjust = new QHBoxLayout;
    auto *slider = new QSlider(Qt::Horizontal, panel);
    slider->setRange(0, kLastDegree);
    slider->setPageStep(10);
    bindSlider(slider, d.Slider1, m_station);
    auto *apply = new QPushButton(panel);
    apply->setFixedWidth(56);
    bindButton(apply, d.Command_HFIX, m_station);
    adjust->addWidget(slider, 1);
    adjust->addWidget(apply);
    column->addLayout(adjust);

    column->addWidget(targetEntry());
    column->addWidget(shipToShip());
    column->addStretch(1);
    return panel;
}

// Latitude and longitude of a new target: every key goes to the station
// (Enter sends the value), typing updates the model.
QWidget *OperatorPanel::targetEntry()
{
    Display &d = m_station.display;
    auto *entry = new QWidget(this);
    auto *form = new QFormLayout(entry);
    form->setContentsMargins(0, 0, 0, 0);
    form->setVerticalSpacing(4);
    form->setLabelAlignment(Qt::AlignRight);
    const struct {
        Control &control;
        const char *caption;
    } boxes[] = {{d.Text12, "目标纬度："}, {d.Text13, "目标经度："}};
    for (const auto &b : boxes) {
        auto *edit = new QLineEdit(entry);
        bindEditBox(edit, b.control, m_station);
        forwardKeys(edit, b.control, m_station);
        form->addRow(QString::fromUtf8(b.caption), edit);
    }
    return entry;
}

// The two ship-to-ship switches; each shows only while its mode is on.
QWidget *OperatorPanel::shipToShip()
{
    Display &d = m_station.display;
    auto *switches = new QWidget(this);
    auto *row = new QHBoxLayout(switches);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    const struct {
        Control &caption;
        Control &box;
    } pairs[] = {{d.Label5, d.CHK_SHIP_AIS}, {d.Label12, d.SHIP_AIS_DRIVE}};
    for (const auto &p : pairs) {
        auto *label = new QLabel(switches);
        bindLabel(label, p.caption);
        auto *box = new QCheckBox(switches);
        bindCheckBox(box, p.box, m_station);
        row->addWidget(label);
        row->addWidget(box);
        if (&p.caption == &d.Label12) {
            // The ship service's target: its switch says how old the last lookup is.
            auto *age = new QLabel(switches);
            m_stale.watch(label, p.caption, age);
            row->addWidget(age);
        }
        row->addSpacing(10);
    }
    auto *ports = new QComboBox(switches);
    bindPortPicker(ports, d.aisPorts, m_station);
    row->addWidget(ports);
    row->addStretch(1);
    return switches;
}

QWidget *OperatorPanel::terminalPanel()
{
    Display &d = m_station.display;
    auto *panel = new QWidget(this);
    auto *column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(3);

    auto *caption = new ClickLabel(panel);
    QFont bold = caption->font();
    bold.setBold(true);
    caption->setFont(bold);
    bindLabel(caption, d.Label4);
    connect(caption, &ClickLabel::doubleClicked, this, [this] { m_station.click(QStringLiteral("Label4")); });
    auto *captionRow = new QHBoxLayout;
    captionRow->addWidget(caption, 1);
    m_history = new QToolButton(panel);
    m_history->setObjectName(QStringLiteral("historyButton"));
    m_history->setText(QStringLiteral("历史曲线…"));
    m_history->setAutoRaise(true);
    m_history->setMaximumHeight(caption->sizeHint().height() + 2);
    const bool recording = !m_station.environment().historyFile.isEmpty();
    m_history->setEnabled(recording);
    m_history->setToolTip(recording ? QStringLiteral("信号、速率、延迟、角度与链路的历史曲线")
                                    : QStringLiteral("本次运行未记录历史"));
    captionRow->addWidget(m_history);
    column->addLayout(captionRow);
    column->addWidget(new TerminalView(d.Text2, panel), 1);
    // The auto-scan's chart takes room from the terminal once a scan starts.
    column->addWidget(new ScanPanel(m_station.autoScan.record(), m_station.Timer_AutoScan.interval(), panel));
    column->addWidget(console());
    return panel;
}

// The command line: the command box and the send button, the help line for
// the entry picked, and the progress of a board script while one runs.
QWidget *OperatorPanel::console()
{
    Display &d = m_station.display;
    auto *frame = new QGroupBox(this);
    bindCommon(frame, d.Frame4);
    frame->setTitle(d.Frame4.text());
    connect(&d.Frame4, &Control::changed, frame, [frame, &d](const QString &p) {
        if (p == QLatin1String("text"))
            frame->setTitle(d.Frame4.text());
    });
    auto *column = new QVBoxLayout(frame);
    column->setContentsMargins(8, 4, 8, 6);
    column->setSpacing(4);

    auto *line = new QHBoxLayout;
    auto *command = new QComboBox(frame);
    command->setMinimumContentsLength(20);
    bindConsoleBox(command, d.Combo2, m_station);
    auto *send = new QPushButton(frame);
    bindButton(send, d.Command3, m_station);
    line->addWidget(command, 1);
    line->addWidget(send);
    column->addLayout(line);

    auto *tips = new QLabel(frame);
    tips->setStyleSheet(QStringLiteral("color: #555;"));
    tips->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    tips->setMinimumHeight(tips->fontMetrics().lineSpacing());
    bindLabel(tips, d.cmdtips);
    auto *progress = new QProgressBar(frame);
    progress->setFixedWidth(220);
    progress->setMaximumHeight(tips->fontMetrics().height() + 4);
    bindProgressBar(progress, d.progressBar);
    auto *status = new QHBoxLayout;
    status->addWidget(tips, 1);
    status->addWidget(progress);
    column->addLayout(status);
    return frame;
}

} // namespace korvane
