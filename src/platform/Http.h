#pragma once

#include "platform/Waits.h"

#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QUrl>

#include <utility>

namespace korvane {

// Time-outs of one request, in milliseconds, by phase. Qt has no control
// per phase, so they are approximated: the request ends when no byte has
// moved for the longer of send and receive, and in any case once the sum of
// all four has passed.
struct HttpTimeouts {
    int resolveMs = 1000;
    int connectMs = 1000;
    int sendMs = 1500;
    int receiveMs = 1500;

    int inactivityMs() const { return qMax(sendMs, receiveMs); }
    int overallMs() const { return resolveMs + connectMs + sendMs + receiveMs; }
};

using HttpHeaders = QList<std::pair<QByteArray, QByteArray>>;

struct HttpRequest {
    QByteArray method = "GET";
    QUrl url;
    HttpHeaders headers;
    QByteArray body;
    HttpTimeouts timeouts;
    // Every peer's answer is a few kilobytes; a reply growing beyond this is
    // cut off, so a broken or hostile server cannot fill the memory.
    qint64 maxReplyBytes = 1024 * 1024;
};

// What came back. A reply with any HTTP status, 404 and 500 included, is no
// error: the status and body are the caller's to judge. An error means no
// reply arrived (no connection, name not resolved, time-out, connection
// dropped); `errorNumber` is then non-zero and `errorText` says why.
struct HttpResponse {
    int status = 0;
    QByteArray body;
    int errorNumber = 0;
    QString errorText;

    bool failed() const { return errorNumber != 0; }
};

// HTTP requests awaited by the calling coroutine. Requests run side by
// side; each ends within its time-outs, or at once when its scope ends
// (kQuitting). Nothing here throws.
class Http : public QObject {
    Q_OBJECT
public:
    // Reported for a request that outlived its time-outs.
    static constexpr int kTimedOut = 4; // QNetworkReply::TimeoutError
    // Reported when the request's scope ended before the reply came.
    static constexpr int kQuitting = 5; // QNetworkReply::OperationCanceledError
    // Reported for an address that is not a usable http(s) URL.
    static constexpr int kInvalidAddress = 301; // QNetworkReply::ProtocolUnknownError
    // Reported for a reply longer than the request's `maxReplyBytes`.
    static constexpr int kReplyTooLarge = 299; // QNetworkReply::UnknownContentError

    explicit Http(QObject *parent = nullptr);

    Task<HttpResponse> send(const Scope *scope, HttpRequest request);
    Task<HttpResponse> get(const Scope *scope, const QUrl &url, const HttpHeaders &headers,
                           const HttpTimeouts &timeouts);
    Task<HttpResponse> post(const Scope *scope, const QUrl &url, const HttpHeaders &headers,
                            const QByteArray &body, const HttpTimeouts &timeouts);

private:
    QNetworkAccessManager m_manager;
};

} // namespace korvane
