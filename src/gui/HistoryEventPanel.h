#pragma once

#include "history/HistoryQuery.h"

#include <QHash>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QToolButton;

namespace korvane {

// The history window's event list: one row an event, its time once, its
// kind and its text in words, wrapped to the panel's width (the log line in
// the tool tip); the newest first, or the events around the cursor. A
// filter by kind (with each kind's number in the span) narrows both the
// list and the marks on the chart.
class HistoryEventPanel : public QWidget {
    Q_OBJECT
public:
    explicit HistoryEventPanel(QWidget *parent = nullptr);

    void setData(const history::SpanData &data, std::optional<qint64> cursor);
    // The kinds the filter leaves out.
    QStringList hiddenKinds() const;
    void setKindShown(const QString &kind, bool shown);
    bool followsCursor() const;
    void setFollowCursor(bool follow);
    void setFilterOpen(bool open);
    bool filterOpen() const;

    QListWidget *list() const { return m_list; }

Q_SIGNALS:
    void eventPicked(qint64 t);
    // The filter or the order changed: the window reads the span again.
    void changed();

private:
    QToolButton *m_filterButton = nullptr;
    QWidget *m_filter = nullptr;
    QHash<QString, QCheckBox *> m_kinds;
    QComboBox *m_order = nullptr;
    QListWidget *m_list = nullptr;
    QLabel *m_note = nullptr;
    QVector<history::Event> m_shown;
};

} // namespace korvane
