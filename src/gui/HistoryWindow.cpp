#include "gui/HistoryWindow.h"

#include "gui/Fonts.h"
#include "gui/HistoryChart.h"
#include "gui/HistoryEventPanel.h"
#include "gui/HistoryLanes.h"
#include "history/HistoryReader.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace korvane {

namespace {

constexpr qint64 kMinuteMs = 60'000;
constexpr qint64 kHourMs = 60 * kMinuteMs;
constexpr int kLiveIntervalMs = 1000;
constexpr int kDefaultSpan = 1; // one hour
const QSize kDefaultSize(1180, 720);
const QString kSizeKey = QStringLiteral("HISTORY_WINDOW_SIZE");
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
const QString kLoadingText = QStringLiteral("加载中…");

const char *const kSpanNames[] = {"10分钟", "1小时", "6小时", "24小时", "48小时", "7天", "自定义"};

QString stateText(const history::Reading &r, const QString &column)
{
    if (!r.values.contains(column))
        return QStringLiteral("—");
    const double v = r.values.value(column);
    if (r.fromMinutes && v > 0 && v < 1)
        return QStringLiteral("通%1%").arg(std::lround(v * 100));
    return v >= 1 ? QStringLiteral("通") : QStringLiteral("断");
}

} // namespace

const QVector<qint64> &HistoryWindow::spanLengths()
{
    static const QVector<qint64> lengths = {10 * kMinuteMs, kHourMs, 6 * kHourMs, 24 * kHourMs, 48 * kHourMs,
                                            7 * 24 * kHourMs};
    return lengths;
}

HistoryWindow::HistoryWindow(const QString &historyFile, const Clock &clock, SettingsStore &settings,
                             QWidget *parent)
    : QWidget(parent, Qt::Window), m_file(historyFile), m_clock(clock), m_settings(settings),
      m_reader(std::make_unique<history::HistoryReader>(historyFile)), m_length(spanLengths()[kDefaultSpan])
{
    setObjectName(QStringLiteral("historyWindow"));
    setWindowTitle(QStringLiteral("历史曲线"));
    setFont(stationFont());
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(6, 6, 6, 6);
    column->setSpacing(4);
    column->addWidget(controls());
    m_readout = new QLabel(this);
    m_readout->setObjectName(QStringLiteral("historyReadout"));
    m_readout->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_readout->setMinimumHeight(m_readout->fontMetrics().lineSpacing() + 4);
    m_readout->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    column->addWidget(m_readout);

    auto *split = new QSplitter(Qt::Horizontal, this);
    m_chart = new HistoryChart(split);
    m_events = new HistoryEventPanel(split);
    m_events->setMinimumWidth(240);
    split->addWidget(m_chart);
    split->addWidget(m_events);
    split->setStretchFactor(0, 1);
    split->setSizes({kDefaultSize.width() - 320, 300});
    column->addWidget(split, 1);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("historyStatus"));
    column->addWidget(m_status);

    connect(m_chart, &HistoryChart::cursorPicked, this, &HistoryWindow::setCursorTime);
    connect(m_chart, &HistoryChart::scrollRequested, this, &HistoryWindow::scrollBy);
    connect(m_chart, &HistoryChart::plotWidthChanged, this, [this](int width) {
        if (width != m_chart->data().span.width)
            load(false);
    });
    connect(m_events, &HistoryEventPanel::eventPicked, this, &HistoryWindow::setCursorTime);
    connect(m_events, &HistoryEventPanel::changed, this, [this] { load(true); });
    m_tick.setInterval(kLiveIntervalMs);
    // A live chart moves when the present enters a new pixel column: every
    // second on short spans, every few minutes on a week. A tick that finds
    // the last answer still coming asks nothing more.
    connect(&m_tick, &QTimer::timeout, this, [this] {
        const qint64 column = m_length / std::max(1, m_chart->plotWidth());
        if (m_live && isVisible() && !m_loading
            && now() - m_chart->data().span.until >= std::max<qint64>(kLiveIntervalMs, column))
            load(false);
    });
    m_tick.start();

    const QStringList size = m_settings.read(kSizeKey).split(QLatin1Char('x'));
    const QSize saved = size.size() == 2 ? QSize(size[0].toInt(), size[1].toInt()) : QSize();
    resize(saved.width() >= 400 && saved.height() >= 300 ? saved : kDefaultSize);
    load(true);
}

HistoryWindow::~HistoryWindow() = default;

QWidget *HistoryWindow::controls()
{
    auto *bar = new QWidget(this);
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    m_span = new QComboBox(bar);
    m_span->setObjectName(QStringLiteral("historySpan"));
    for (const char *name : kSpanNames)
        m_span->addItem(QString::fromUtf8(name));
    m_span->setCurrentIndex(kDefaultSpan);
    connect(m_span, &QComboBox::activated, this, &HistoryWindow::setSpanIndex);
    row->addWidget(m_span);

    m_from = new QDateTimeEdit(bar);
    m_from->setObjectName(QStringLiteral("historyFrom"));
    m_to = new QDateTimeEdit(bar);
    m_to->setObjectName(QStringLiteral("historyTo"));
    m_apply = new QPushButton(QStringLiteral("显示"), bar);
    m_apply->setObjectName(QStringLiteral("historyApply"));
    for (QDateTimeEdit *edit : {m_from, m_to}) {
        edit->setDisplayFormat(kTimeFormat);
        edit->setCalendarPopup(true);
        edit->setEnabled(false);
    }
    m_apply->setEnabled(false);
    row->addWidget(m_from);
    row->addWidget(new QLabel(QStringLiteral("至"), bar));
    row->addWidget(m_to);
    row->addWidget(m_apply);
    connect(m_apply, &QPushButton::clicked, this, [this] {
        showRange(m_from->dateTime().toMSecsSinceEpoch(), m_to->dateTime().toMSecsSinceEpoch());
    });

    const struct {
        const char *name;
        const char *text;
        std::function<void()> action;
    } buttons[] = {
        {"historyBack", "◀", [this] { scrollBy(-0.5); }},
        {"historyForward", "▶", [this] { scrollBy(0.5); }},
        {"historyNow", "最新", [this] { followPresent(); }},
    };
    for (const auto &b : buttons) {
        auto *button = new QPushButton(QString::fromUtf8(b.text), bar);
        button->setObjectName(QString::fromLatin1(b.name));
        connect(button, &QPushButton::clicked, this, b.action);
        row->addWidget(button);
    }
    m_liveLabel = new QLabel(bar);
    m_liveLabel->setObjectName(QStringLiteral("historyLive"));
    row->addWidget(m_liveLabel);
    row->addStretch(1);
    auto *exporter = new QPushButton(QStringLiteral("导出CSV"), bar);
    exporter->setObjectName(QStringLiteral("historyExport"));
    connect(exporter, &QPushButton::clicked, this, &HistoryWindow::exportShown);
    row->addWidget(exporter);
    return bar;
}

qint64 HistoryWindow::now() const
{
    return m_clock.now().toMSecsSinceEpoch();
}

qint64 HistoryWindow::shownUntil() const
{
    return m_live ? now() : m_until;
}

bool HistoryWindow::isLoading() const
{
    return m_loading || m_reader->outstanding() > 0;
}

void HistoryWindow::setStatus(const QString &text)
{
    m_status->setText(text);
}

void HistoryWindow::setSpanIndex(int index)
{
    m_span->setCurrentIndex(index);
    const bool custom = index >= spanLengths().size();
    for (QWidget *w : std::initializer_list<QWidget *>{m_from, m_to, m_apply})
        w->setEnabled(custom);
    if (custom)
        return;
    m_length = spanLengths()[index];
    load(true);
}

void HistoryWindow::showRange(qint64 from, qint64 until)
{
    if (until <= from) {
        setStatus(QStringLiteral("结束时间须晚于开始时间。"));
        return;
    }
    m_span->setCurrentIndex(int(spanLengths().size()));
    m_length = until - from;
    m_until = until;
    m_live = false;
    load(true);
}

void HistoryWindow::scrollBy(double spans)
{
    const qint64 until = shownUntil() + qint64(std::llround(spans * double(m_length)));
    m_live = until >= now();
    m_until = m_live ? 0 : until;
    load(true);
}

void HistoryWindow::followPresent()
{
    m_live = true;
    load(true);
}

void HistoryWindow::refresh()
{
    load(true);
}

// Asks the worker for the span; the chart keeps what it shows until the
// answer comes. `announce`: the operator asked, so "加载中…" says so.
void HistoryWindow::load(bool announce)
{
    m_liveLabel->setText(m_live ? QStringLiteral("● 实时") : QStringLiteral("回看"));
    m_liveLabel->setStyleSheet(m_live ? QStringLiteral("color: #2e7d32;") : QStringLiteral("color: #8a5a00;"));
    const qint64 until = shownUntil();
    history::LoadRequest request;
    request.figures = historyTraceColumns();
    request.states = historyBandColumns();
    request.span = {until - m_length, until, m_chart->plotWidth()};
    request.hiddenKinds = m_events->hiddenKinds();
    request.markerColumns = HistoryChart::kMarkColumns;
    if (m_events->followsCursor() && m_cursor)
        request.around = m_cursor;
    if (!m_from->hasFocus() && !m_to->hasFocus()) {
        m_from->setDateTime(QDateTime::fromMSecsSinceEpoch(request.span.from));
        m_to->setDateTime(QDateTime::fromMSecsSinceEpoch(request.span.until));
    }
    m_loading = true;
    if (announce) {
        m_chart->setLoading(true);
        if (!m_exporting)
            setStatus(kLoadingText);
    }
    m_reader->load(request, [this](const history::SpanData &data, const QString &error) { loaded(data, error); });
}

void HistoryWindow::loaded(const history::SpanData &data, const QString &error)
{
    m_loading = false;
    m_chart->setLoading(false);
    if (!error.isEmpty()) {
        setStatus(QStringLiteral("无法打开历史文件 %1：%2").arg(QDir::toNativeSeparators(m_file), error));
        return;
    }
    if (m_status->text() == kLoadingText || m_status->text().startsWith(QStringLiteral("无法打开")))
        setStatus(QString());
    m_chart->setData(data);
    m_events->setData(data, m_cursor);
    showReading();
}

void HistoryWindow::setCursorTime(qint64 t)
{
    m_cursor = t;
    m_chart->setCursorTime(t);
    if (m_events->followsCursor())
        load(false);
    showReading();
}

// Every figure and link at the cursor, from the nearest earlier row within
// a column's width.
void HistoryWindow::showReading()
{
    if (!m_cursor) {
        m_readout->setText(QStringLiteral("点击曲线查看某一时刻的全部数值"));
        return;
    }
    const history::Span &span = m_chart->data().span;
    const qint64 reach = std::max<qint64>(2000, span.length() / std::max(1, span.width));
    const qint64 at = *m_cursor;
    m_reader->readingAt(at, reach, [this, at](const std::optional<history::Reading> &reading) {
        QStringList parts{QDateTime::fromMSecsSinceEpoch(at).toString(kTimeFormat)};
        if (!reading) {
            parts << QStringLiteral("无数据");
        } else {
            for (const HistoryLane &lane : historyLanes())
                for (const HistoryTrace &trace : lane.traces) {
                    const auto v = reading->values.find(trace.column);
                    parts << trace.label + QLatin1Char(' ')
                                 + (v == reading->values.end() ? QStringLiteral("—")
                                                               : QString::number(*v, 'f', lane.decimals) + lane.unit);
                }
            for (const HistoryBand &band : historyBands())
                parts << band.label + QLatin1Char(' ') + stateText(*reading, band.column);
        }
        m_readout->setText(parts.join(QStringLiteral("  ")));
    });
}

void HistoryWindow::setSaveFileChooser(std::function<QString(const QString &)> chooser)
{
    m_chooser = std::move(chooser);
}

// The file is picked in a window-modal dialog that answers later (no loop
// of its own), then written on the worker.
bool HistoryWindow::exportShown()
{
    const history::Span span = m_chart->data().span;
    const QDateTime since = QDateTime::fromMSecsSinceEpoch(span.from);
    const QDateTime until = QDateTime::fromMSecsSinceEpoch(span.until);
    const QString suggested = QDir::home().filePath(
        QStringLiteral("korvane-history-%1-%2.csv")
            .arg(since.toString(QStringLiteral("yyyyMMdd-HHmmss")), until.toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    const auto write = [this, span](const QString &path) {
        if (path.isEmpty())
            return;
        m_exporting = true;
        setStatus(QStringLiteral("正在导出…"));
        history::ExportRange range;
        range.fromMs = span.from;
        range.untilMs = span.until - 1;
        m_reader->exportSamples(path, range, [this, path](bool ok, const QString &error) {
            m_exporting = false;
            setStatus(ok ? QStringLiteral("已导出 %1").arg(QDir::toNativeSeparators(path))
                         : QStringLiteral("导出失败：%1").arg(error));
        });
    };
    if (m_chooser) {
        const QString path = m_chooser(suggested);
        write(path);
        return !path.isEmpty();
    }
    auto *dialog = new QFileDialog(this, QStringLiteral("导出CSV"), suggested, QStringLiteral("CSV (*.csv)"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this, write);
    dialog->open();
    return true;
}

void HistoryWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    saveSize();
}

void HistoryWindow::saveSize()
{
    const QString text = QStringLiteral("%1x%2").arg(width()).arg(height());
    if (m_settings.read(kSizeKey) != text)
        m_settings.write(kSizeKey, text);
}

} // namespace korvane
