#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

namespace korvane::sim {

// One HTTP request head as the cloud peer reads it: the request line and
// the Host header; nothing else of the request matters to it.
struct HttpRequestHead {
    QByteArray method;
    QByteArray target;
    QByteArray version;
    QByteArray host;
};

// Parses the bytes before the blank line; nullopt when the request line is
// not three parts separated by single spaces.
std::optional<HttpRequestHead> parseRequestHead(const QByteArray &head);

// The query of "/ship/?QUERY" (also "/ship/" with none); nullopt for any
// other target.
std::optional<QByteArray> shipQuery(const QByteArray &target);

// Query pairs in arrival order: split at "&" and the first "=", "+" read as
// a space, percent escapes decoded (a malformed escape is kept as it is),
// then the bytes read in the Chinese code page (GBK), as the server does.
QList<QPair<QString, QString>> decodeQuery(const QByteArray &query);

// One JSON line for the reports file (no line end).
struct ReportRecord {
    QDateTime at;
    QString peer;
    QByteArray host;
    QByteArray rawQuery;
    int answered = 0; // 0: no answer (hanging)
};
QByteArray reportJsonLine(const ReportRecord &record);

// The full answer the peer sends for `status`: status line, headers, body.
QByteArray httpAnswer(int status);

} // namespace korvane::sim
