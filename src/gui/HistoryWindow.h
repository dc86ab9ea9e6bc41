#pragma once

#include "history/HistoryQuery.h"

#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QComboBox;
class QDateTimeEdit;
class QLabel;
class QListWidget;
class QPushButton;

namespace korvane {

namespace history {
class HistoryReader;
}

class Clock;
class HistoryChart;
class HistoryEventPanel;
class SettingsStore;

// The link's history over a chosen span: the strip charts, the event list
// beside them, a read-out of every value under the cursor, and the CSV export
// of what is shown. Follows the present until the operator looks back.
// Every query and the export run on a worker thread (HistoryReader): the
// window says "加载中…" while a span is read and stays live meanwhile.
class HistoryWindow : public QWidget {
    Q_OBJECT
public:
    // The spans offered, shortest first; the last entry is a from–to choice.
    static const QVector<qint64> &spanLengths();

    HistoryWindow(const QString &historyFile, const Clock &clock, SettingsStore &settings,
                  QWidget *parent = nullptr);
    ~HistoryWindow() override;

    void setSpanIndex(int index);
    // A fixed stretch of time; the charts stop following the present.
    void showRange(qint64 from, qint64 until);
    // Moves the span by a share of its length; positive is towards the present.
    void scrollBy(double spans);
    void followPresent();
    bool isLive() const { return m_live; }
    qint64 spanLength() const { return m_length; }
    // Asks the file again for the span shown (answered later).
    void refresh();
    // A span asked for and not drawn yet, or a reading or export running.
    bool isLoading() const;

    void setCursorTime(qint64 t);

    // Picks the file the export writes; a file dialog unless set.
    void setSaveFileChooser(std::function<QString(const QString &suggested)> chooser);
    // Starts the export of the span shown; false when no file was picked.
    bool exportShown();

    HistoryChart *chart() const { return m_chart; }
    HistoryEventPanel *events() const { return m_events; }

protected:
    void hideEvent(QHideEvent *event) override;

private:
    QWidget *controls();
    qint64 now() const;
    qint64 shownUntil() const;
    void load(bool announce);
    void loaded(const history::SpanData &data, const QString &error);
    void showReading();
    void saveSize();
    void setStatus(const QString &text);

    QString m_file;
    const Clock &m_clock;
    SettingsStore &m_settings;
    std::unique_ptr<history::HistoryReader> m_reader;
    qint64 m_length;
    qint64 m_until = 0;
    bool m_live = true;
    bool m_loading = false;
    bool m_exporting = false;
    std::optional<qint64> m_cursor;
    std::function<QString(const QString &)> m_chooser;
    QTimer m_tick;

    HistoryChart *m_chart = nullptr;
    HistoryEventPanel *m_events = nullptr;
    QComboBox *m_span = nullptr;
    QDateTimeEdit *m_from = nullptr;
    QDateTimeEdit *m_to = nullptr;
    QPushButton *m_apply = nullptr;
    QLabel *m_liveLabel = nullptr;
    QLabel *m_readout = nullptr;
    QLabel *m_status = nullptr;
};

} // namespace korvane
