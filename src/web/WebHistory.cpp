#include "web/WebHistory.h"

#include "history/EventKinds.h"
#include "history/HistoryExport.h"
#include "history/HistoryQuery.h"
#include "history/WorkerThread.h"

#include <QBuffer>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace korvane::web {

namespace {

struct Trace {
    const char *column;
    const char *label;
    const char *unit;
    const char *lane; // the chart it is drawn in
};

// The history window's traces and bands.
const Trace kTraces[] = {
    {"signal_dbm", "信号", "dBm", "信号"},         {"noise_dbm", "噪声", "dBm", "信号"},
    {"rx_mbps", "下行", "Mbit/s", "速率"},         {"tx_mbps", "上行", "Mbit/s", "速率"},
    {"cap_down_mbps", "下行容量", "Mbit/s", "速率"}, {"cap_up_mbps", "上行容量", "Mbit/s", "速率"},
    {"ping_ms", "延迟", "ms", "延迟"},             {"antenna_angle_deg", "天线方位", "°", "角度"},
    {"heading_deg", "船首向", "°", "角度"},
};
const char *const kBands[] = {"board_link", "radio_link", "cloud_ok"};

// from/to in ms since the epoch; to after from.
bool spanOf(const QUrlQuery &query, qint64 &from, qint64 &to, QString &error)
{
    bool okFrom = false;
    bool okTo = false;
    from = query.queryItemValue(QStringLiteral("from")).toLongLong(&okFrom);
    to = query.queryItemValue(QStringLiteral("to")).toLongLong(&okTo);
    if (!okFrom || !okTo || from < 0 || to <= from) {
        error = QStringLiteral("from 与 to 须为毫秒时间，to 在 from 之后");
        return false;
    }
    return true;
}

QString stateName(history::LinkState s)
{
    switch (s) {
    case history::LinkState::Up: return QStringLiteral("up");
    case history::LinkState::Down: return QStringLiteral("down");
    case history::LinkState::Unknown: break;
    }
    return QStringLiteral("unknown");
}

QJsonArray runsJson(const QVector<history::LinkRun> &runs)
{
    QJsonArray out;
    for (const history::LinkRun &run : runs)
        out.append(QJsonObject{{QStringLiteral("from"), double(run.from)},
                               {QStringLiteral("to"), double(run.until)},
                               {QStringLiteral("state"), stateName(run.state)}});
    return out;
}

QByteArray spanJson(const history::SpanData &data)
{
    const history::Span &span = data.span;
    QJsonArray times;
    for (int c = 0; c < span.width; ++c)
        times.append(double(span.columnStart(c)));
    QJsonObject figures;
    for (const history::FigureColumns &f : data.figures) {
        QJsonArray mins;
        QJsonArray maxs;
        for (const auto &e : f.columns) {
            mins.append(e ? QJsonValue(e->min) : QJsonValue(QJsonValue::Null));
            maxs.append(e ? QJsonValue(e->max) : QJsonValue(QJsonValue::Null));
        }
        QJsonObject o{{QStringLiteral("min"), mins}, {QStringLiteral("max"), maxs}};
        for (const Trace &t : kTraces) {
            if (f.figure == QLatin1String(t.column)) {
                o.insert(QStringLiteral("label"), QString::fromUtf8(t.label));
                o.insert(QStringLiteral("unit"), QString::fromUtf8(t.unit));
                o.insert(QStringLiteral("lane"), QString::fromUtf8(t.lane));
            }
        }
        figures.insert(f.figure, o);
    }
    QJsonObject links;
    for (auto it = data.bands.cbegin(); it != data.bands.cend(); ++it)
        links.insert(QString(it.key()).remove(QStringLiteral("_link")).remove(QStringLiteral("_ok")), runsJson(*it));
    links.insert(QStringLiteral("signal"), runsJson(data.signalLost));
    QJsonArray marks;
    for (const history::MarkerGroup &m : data.markers)
        marks.append(QJsonObject{{QStringLiteral("t"), double(m.t)},
                                 {QStringLiteral("kind"), m.kind},
                                 {QStringLiteral("kind_label"), history::eventKindLabel(m.kind)},
                                 {QStringLiteral("severe"), history::isSevereKind(m.kind)},
                                 {QStringLiteral("count"), m.count},
                                 {QStringLiteral("words"), m.words}});
    const QJsonObject o{{QStringLiteral("from"), double(span.from)},     {QStringLiteral("to"), double(span.until)},
                        {QStringLiteral("columns"), span.width},         {QStringLiteral("times"), times},
                        {QStringLiteral("figures"), figures},            {QStringLiteral("links"), links},
                        {QStringLiteral("marks"), marks},
                        {QStringLiteral("from_minutes"), data.fromMinutes}};
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

// The worker's answer: the body, or why the file could not be read.
WebReply answerOf(const history::HistoryQuery &query, QByteArray body)
{
    if (!query.isOpen())
        return WebReply::jsonError(503, query.errorText());
    WebReply r;
    r.contentType = "application/json; charset=utf-8";
    r.body = std::move(body);
    return r;
}

QByteArray eventsJson(const QVector<history::Event> &all, const QString &kind, const QString &text, int page,
                      int perPage)
{
    QJsonObject kinds;
    QVector<const history::Event *> shown;
    // Newest first, as the window lists them.
    for (auto it = all.crbegin(); it != all.crend(); ++it) {
        kinds.insert(it->kind, kinds.value(it->kind).toInt() + 1);
        if (!kind.isEmpty() && it->kind != kind)
            continue;
        if (!text.isEmpty() && !it->words.contains(text, Qt::CaseInsensitive) && !it->text.contains(text, Qt::CaseInsensitive))
            continue;
        shown.append(&*it);
    }
    QJsonArray rows;
    for (qsizetype i = qsizetype(page) * perPage; i < shown.size() && rows.size() < perPage; ++i) {
        const history::Event &e = *shown[i];
        rows.append(QJsonObject{
            {QStringLiteral("t"), double(e.t)},
            {QStringLiteral("time"), QDateTime::fromMSecsSinceEpoch(e.t).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))},
            {QStringLiteral("kind"), e.kind},
            {QStringLiteral("kind_label"), history::eventKindLabel(e.kind)},
            {QStringLiteral("words"), e.words.isEmpty() ? e.text.trimmed() : e.words},
            {QStringLiteral("text"), e.text.trimmed()}});
    }
    QJsonObject labels;
    for (const QString &k : history::eventKindsInOrder())
        labels.insert(k, history::eventKindLabel(k));
    const QJsonObject o{{QStringLiteral("total"), double(shown.size())}, {QStringLiteral("page"), page},
                        {QStringLiteral("kind_labels"), labels},
                        {QStringLiteral("per_page"), perPage},          {QStringLiteral("kinds"), kinds},
                        {QStringLiteral("rows"), rows}};
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

} // namespace

WebHistory::WebHistory(const QString &file, QObject *parent)
    : QObject(parent),
      m_file(file),
      m_query(std::make_shared<history::HistoryQuery>(file)),
      m_worker(std::make_unique<history::WorkerThread>(QStringLiteral("web-history")))
{
    auto query = m_query;
    m_worker->setInterrupt([query] { query->interrupt(); });
    m_worker->setCleanup([query] { query->close(); });
}

WebHistory::~WebHistory()
{
    m_worker.reset();
}

void WebHistory::handle(const QByteArray &path, const QUrlQuery &query, Done done)
{
    if (m_file.isEmpty()) {
        done(WebReply::jsonError(404, QStringLiteral("本站未记录历史")));
        return;
    }
    qint64 from = 0;
    qint64 to = 0;
    QString error;
    if (!spanOf(query, from, to, error)) {
        done(WebReply::jsonError(400, error));
        return;
    }
    history::WorkerThread &w = *m_worker;
    auto q = m_query;
    if (path == "/api/history") {
        bool ok = false;
        const int columns = query.queryItemValue(QStringLiteral("columns")).toInt(&ok);
        if (!ok || columns < 1 || columns > kMaxColumns) {
            done(WebReply::jsonError(400, QStringLiteral("columns 须在1到%1之间").arg(kMaxColumns)));
            return;
        }
        history::LoadRequest request;
        for (const Trace &t : kTraces)
            request.figures.append(QString::fromLatin1(t.column));
        for (const char *band : kBands)
            request.states.append(QString::fromLatin1(band));
        request.span = history::Span{from, to, columns};
        request.listLimit = 0;
        // A mark per 20 columns of a kind at most: a week of routine events
        // would otherwise hide the chart under its marks.
        request.markerColumns = 20;
        w.post([&w, q, request, done] {
            const history::SpanData data = q->load(request);
            const WebReply r = answerOf(*q, spanJson(data));
            w.reply([done, r] { done(r); });
        });
    } else if (path == "/api/events") {
        const QString kind = query.queryItemValue(QStringLiteral("kind"), QUrl::FullyDecoded);
        const QString text = query.queryItemValue(QStringLiteral("text"), QUrl::FullyDecoded);
        const int page = std::max(0, query.queryItemValue(QStringLiteral("page")).toInt());
        int perPage = query.queryItemValue(QStringLiteral("per_page")).toInt();
        perPage = perPage < 1 ? 50 : std::min(perPage, kMaxPerPage);
        w.post([&w, q, from, to, kind, text, page, perPage, done] {
            const QVector<history::Event> events = q->events(from, to);
            const WebReply r = answerOf(*q, eventsJson(events, kind, text, page, perPage));
            w.reply([done, r] { done(r); });
        });
    } else {
        if (to - from > kMaxCsvSpanMs) {
            done(WebReply::jsonError(400, QStringLiteral("CSV下载最多31天")));
            return;
        }
        const QString file = m_file;
        w.post([&w, file, from, to, done] {
            QByteArray csv;
            QBuffer buffer(&csv);
            buffer.open(QIODevice::WriteOnly);
            history::ExportRange range;
            range.fromMs = from;
            range.untilMs = to - 1;
            QString error;
            WebReply r;
            if (!history::writeSamplesCsv(file, range, buffer, &error)) {
                r = WebReply::jsonError(503, error);
            } else {
                r.contentType = "text/csv; charset=utf-8";
                r.body = std::move(csv);
                const QString name = QStringLiteral("korvane-history-%1.csv")
                                         .arg(QDateTime::fromMSecsSinceEpoch(from).toString(QStringLiteral("yyyyMMdd-HHmm")));
                r.addHeader("Content-Disposition", "attachment; filename=\"" + name.toLatin1() + '"');
            }
            w.reply([done, r] { done(r); });
        });
    }
}

} // namespace korvane::web
