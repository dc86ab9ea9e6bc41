#include "gui/HistoryEventPanel.h"

#include "gui/HistoryLanes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace korvane {

namespace {

bool sameEvents(const QVector<history::Event> &a, const QVector<history::Event> &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i].t != b[i].t || a[i].kind != b[i].kind || a[i].text != b[i].text)
            return false;
    return true;
}

} // namespace

HistoryEventPanel::HistoryEventPanel(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("historyEventPanel"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(3);

    auto *head = new QHBoxLayout;
    m_filterButton = new QToolButton(this);
    m_filterButton->setObjectName(QStringLiteral("historyFilterButton"));
    m_filterButton->setText(QStringLiteral("筛选"));
    m_filterButton->setCheckable(true);
    m_filterButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_filterButton->setArrowType(Qt::RightArrow);
    head->addWidget(m_filterButton);
    m_order = new QComboBox(this);
    m_order->setObjectName(QStringLiteral("historyOrder"));
    m_order->addItems({QStringLiteral("最新在前"), QStringLiteral("跟随光标")});
    head->addWidget(m_order, 1);
    column->addLayout(head);

    m_filter = new QWidget(this);
    m_filter->setObjectName(QStringLiteral("historyFilter"));
    auto *grid = new QGridLayout(m_filter);
    grid->setContentsMargins(4, 0, 0, 0);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(1);
    int cell = 0;
    for (const QString &kind : eventKindsInOrder()) {
        auto *box = new QCheckBox(eventKindLabel(kind), m_filter);
        box->setObjectName(QStringLiteral("historyKind_") + kind);
        box->setChecked(true);
        QPalette p = box->palette();
        p.setColor(QPalette::WindowText, eventKindColour(kind).darker(130));
        box->setPalette(p);
        connect(box, &QCheckBox::toggled, this, &HistoryEventPanel::changed);
        grid->addWidget(box, cell / 2, cell % 2);
        m_kinds.insert(kind, box);
        ++cell;
    }
    m_filter->setVisible(false);
    column->addWidget(m_filter);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("historyEvents"));
    m_list->setWordWrap(true);
    m_list->setUniformItemSizes(false);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setTextElideMode(Qt::ElideNone);
    m_list->setLayoutMode(QListView::Batched);
    m_list->setBatchSize(100);
    m_list->setSpacing(1);
    column->addWidget(m_list, 1);
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("historyEventNote"));
    m_note->setWordWrap(true);
    column->addWidget(m_note);

    connect(m_filterButton, &QToolButton::toggled, this, &HistoryEventPanel::setFilterOpen);
    connect(m_order, &QComboBox::currentIndexChanged, this, &HistoryEventPanel::changed);
    connect(m_list, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
        emit eventPicked(item->data(Qt::UserRole).toLongLong());
    });
}

QStringList HistoryEventPanel::hiddenKinds() const
{
    QStringList hidden;
    for (const QString &kind : eventKindsInOrder())
        if (!m_kinds.value(kind)->isChecked())
            hidden << kind;
    return hidden;
}

void HistoryEventPanel::setKindShown(const QString &kind, bool shown)
{
    if (QCheckBox *box = m_kinds.value(kind))
        box->setChecked(shown);
}

bool HistoryEventPanel::followsCursor() const
{
    return m_order->currentIndex() == 1;
}

void HistoryEventPanel::setFollowCursor(bool follow)
{
    m_order->setCurrentIndex(follow ? 1 : 0);
}

void HistoryEventPanel::setFilterOpen(bool open)
{
    m_filterButton->setChecked(open);
    m_filterButton->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
    m_filter->setVisible(open);
}

bool HistoryEventPanel::filterOpen() const
{
    return m_filter->isVisible() || m_filterButton->isChecked();
}

// Rebuilt only when the events shown change, so a pick survives the live tick.
void HistoryEventPanel::setData(const history::SpanData &data, std::optional<qint64> cursor)
{
    for (auto it = m_kinds.cbegin(); it != m_kinds.cend(); ++it) {
        const qint64 n = data.kindCounts.value(it.key());
        it.value()->setText(n > 0 ? QStringLiteral("%1 %2").arg(eventKindLabel(it.key())).arg(n)
                                  : eventKindLabel(it.key()));
    }
    m_note->setText(data.listedOf > data.events.size()
                        ? QStringLiteral("列出 %1 条，本时段共 %2 条").arg(data.events.size()).arg(data.listedOf)
                        : QStringLiteral("本时段共 %1 条").arg(data.listedOf));
    if (!sameEvents(m_shown, data.events)) {
        m_shown = data.events;
        m_list->clear();
        for (const history::Event &e : data.events) {
            auto *item = new QListWidgetItem(QDateTime::fromMSecsSinceEpoch(e.t).toString(QStringLiteral("MM-dd HH:mm:ss"))
                                             + QStringLiteral("  ") + eventKindLabel(e.kind) + QStringLiteral("：")
                                             + e.words);
            item->setData(Qt::UserRole, e.t);
            item->setForeground(eventKindColour(e.kind).darker(130));
            item->setToolTip(e.text);
            m_list->addItem(item);
        }
        if (data.newestFirst)
            m_list->scrollToTop();
    }
    if (!data.newestFirst && cursor) {
        // The event at or just before the cursor, in the middle of the list.
        int best = -1;
        for (int row = 0; row < m_shown.size(); ++row)
            if (m_shown[row].t <= *cursor)
                best = row;
        if (best < 0 && !m_shown.isEmpty())
            best = 0;
        if (best >= 0) {
            m_list->setCurrentRow(best);
            m_list->scrollToItem(m_list->item(best), QAbstractItemView::PositionAtCenter);
        }
    }
}

} // namespace korvane
