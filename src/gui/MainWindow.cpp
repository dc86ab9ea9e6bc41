#include "gui/MainWindow.h"

#include "app/Station.h"
#include "gui/Fonts.h"
#include "gui/HistoryWindow.h"
#include "gui/OperatorPanel.h"
#include "gui/StaleMarks.h"
#include "gui/StatusPanel.h"
#include "platform/Clock.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRegularExpression>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace korvane {

namespace {

constexpr double kTwipsPerPixel = 15.0;
constexpr int kWidth = 940;
constexpr int kDesignHeight = 627;
constexpr int kMargin = 6;
// Figures grow with the window up to this many times their design size.
constexpr double kLargestScale = 2.5;

const char *const kStyle =
    "QLineEdit[readOnly=\"true\"] { background: #eef2f6; }"
    "QGroupBox { font-weight: bold; border: 1px solid #c3cad4; border-radius: 4px; margin-top: 0.6em;"
    " padding-top: 0.5em; }"
    "QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; }";

} // namespace

MainWindow::MainWindow(Station &station, QWidget *parent)
    : QWidget(parent), m_station(station)
{
    static const SystemClock systemClock;
    const Clock *clock = station.environment().clock;
    m_stale = new StaleMarks(clock ? *clock : systemClock, this);
    setObjectName(QStringLiteral("MainWindow"));
    setFont(stationFont());
    setStyleSheet(QString::fromLatin1(kStyle));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    column->setSpacing(kMargin);
    m_status = new StatusPanel(station, *m_stale, this);
    m_operator = new OperatorPanel(station, *m_stale, this);
    column->addWidget(m_status);
    column->addWidget(m_operator, 1);

    // The command box comes first in the tab order and has the focus.
    auto *command = findChild<QComboBox *>(QStringLiteral("Combo2"));
    auto *radioAddress = findChild<QLineEdit *>(QStringLiteral("Text3"));
    if (command && radioAddress) {
        setTabOrder(command, radioAddress);
        command->setFocus();
    }

    connect(m_operator->historyButton(), &QToolButton::clicked, this, [this] { showHistory(); });

    Control &window = station.display.MainWindow;
    showCaption();
    connect(&window, &Control::changed, this, [this](const QString &p) {
        if (p == QLatin1String("text"))
            showCaption();
        else if (p == QLatin1String("value"))
            applyHeight();
    });
    connect(&station.display.Text1, &Control::changed, this, [this](const QString &p) {
        if (p == QLatin1String("stale"))
            showCaption();
    });
    resize(kWidth, pixelsFromTwips(window.value()));
    applyHeight();
}

int MainWindow::pixelsFromTwips(int twips)
{
    return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}

QString MainWindow::shownCaption(const QString &caption, bool signalStale)
{
    if (!signalStale)
        return caption;
    // The radio's figures write the signal as a whole number after a blank.
    static const QRegularExpression trailingSignal(QStringLiteral("\\s+-?\\d+$"));
    return QString(caption).remove(trailingSignal);
}

void MainWindow::showCaption()
{
    const Display &d = m_station.display;
    setWindowTitle(shownCaption(d.MainWindow.text(), d.Text1.stale()));
}

HistoryWindow *MainWindow::showHistory()
{
    const StationEnvironment &env = m_station.environment();
    if (env.historyFile.isEmpty())
        return nullptr;
    if (!m_history)
        m_history = new HistoryWindow(env.historyFile, *env.clock, m_station.settings(), this);
    m_history->show();
    m_history->raise();
    m_history->activateWindow();
    return m_history;
}

void MainWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // The frame is known only once the window is on screen.
    applyHeight();
}

// The model's height counts the frame and title bar, as a window height
// does; the lower panel is left out when it no longer fits, so a collapsed
// window shows the connection strip and the status lines whole. Expanded,
// the window starts at the model's height and may grow (the terminal takes
// the room); collapsed, it stays the strip's height.
void MainWindow::applyHeight()
{
    const int outer = pixelsFromTwips(m_station.display.MainWindow.value());
    const int frame = isVisible() ? std::max(0, frameGeometry().height() - geometry().height()) : 0;
    const int inner = std::max(1, outer - frame);
    const int needed = m_status->minimumSizeHint().height() + m_operator->minimumSizeHint().height()
                       + 3 * kMargin;
    const bool expanded = inner >= needed;
    const bool wasExpanded = m_operator->isVisibleTo(this);
    m_operator->setVisible(expanded);
    if (expanded) {
        setMinimumHeight(needed);
        setMaximumHeight(QWIDGETSIZE_MAX);
        resize(width(), m_expandedHeight >= needed ? m_expandedHeight : inner);
        if (m_expandedState & Qt::WindowMaximized)
            setWindowState(windowState() | Qt::WindowMaximized);
        m_expandedHeight = 0;
        m_expandedState = {};
    } else {
        if (wasExpanded) {
            m_expandedHeight = height();
            m_expandedState = windowState();
        }
        setWindowState(windowState() & ~Qt::WindowMaximized);
        setFixedHeight(inner);
    }
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    applyScale();
}

// The figures, the ring and their fonts follow the window's smaller share of
// its design size; the terminal takes whatever is left.
void MainWindow::applyScale()
{
    const double share = std::min(double(width()) / kWidth, double(height()) / kDesignHeight);
    const double scale = std::clamp(std::floor(share * 20) / 20, 1.0, kLargestScale);
    if (scale == m_scale)
        return;
    m_scale = scale;
    m_status->setScale(scale);
    m_operator->setScale(scale);
}

} // namespace korvane
