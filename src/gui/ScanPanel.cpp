#include "gui/ScanPanel.h"

#include "gui/ScanChart.h"
#include "optimise/AutoScanRecord.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace korvane {

namespace {

QString minutesText(qint64 ms)
{
    const qint64 seconds = (ms + 999) / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

ScanPanel::ScanPanel(const AutoScanRecord &record, int tickMs, QWidget *parent)
    : QFrame(parent), m_record(record), m_tickMs(tickMs)
{
    setObjectName(QStringLiteral("scanPanel"));
    setFrameShape(QFrame::StyledPanel);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(8, 4, 8, 4);
    column->setSpacing(2);
    auto *top = new QHBoxLayout;
    m_heading = new QLabel(this);
    QFont bold = m_heading->font();
    bold.setBold(true);
    m_heading->setFont(bold);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("scanProgress"));
    m_progress->setRange(0, AutoScanRecord::kTicks);
    m_progress->setFixedWidth(240);
    m_progress->setMaximumHeight(m_heading->fontMetrics().height() + 4);
    top->addWidget(m_heading, 1);
    top->addWidget(m_progress);
    column->addLayout(top);
    column->addWidget(new ScanChart(record, this), 1);
    connect(&record, &AutoScanRecord::changed, this, [this] { refresh(); });
    refresh();
}

void ScanPanel::refresh()
{
    using Phase = AutoScanRecord::Phase;
    const Phase phase = m_record.phase();
    setVisible(phase != Phase::Idle);
    m_progress->setVisible(m_record.active());
    const int ticks = m_record.ticks();
    m_progress->setValue(ticks);
    const qint64 left = qint64(AutoScanRecord::kTicks - ticks) * m_tickMs;
    switch (phase) {
    case Phase::Idle:
    case Phase::Running:
        m_heading->setText(QStringLiteral("自动扫描中：信号强度(dBm)与偏转角度"));
        m_progress->setFormat(
            QStringLiteral("%1/%2  剩余约%3").arg(ticks).arg(AutoScanRecord::kTicks).arg(minutesText(left)));
        break;
    case Phase::Paused:
        m_heading->setText(QStringLiteral("自动扫描暂停：等待通信恢复"));
        m_progress->setFormat(QStringLiteral("%1/%2  暂停").arg(ticks).arg(AutoScanRecord::kTicks));
        break;
    case Phase::Finished:
        m_heading->setText(QStringLiteral("自动扫描完毕：最佳偏转%1度，信号强度%2")
                               .arg(m_record.bestOffset())
                               .arg(m_record.bestSignal()));
        break;
    case Phase::Cancelled:
        m_heading->setText(QStringLiteral("自动扫描已退出（%1/%2）").arg(ticks).arg(AutoScanRecord::kTicks));
        break;
    }
}

} // namespace korvane
