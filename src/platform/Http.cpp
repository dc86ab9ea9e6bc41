#include "platform/Http.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <QPointer>

namespace korvane {

namespace {

// The reply goes when the request ends; should the manager go first, it
// takes its replies along, and this holder lets go.
class ReplyHolder {
public:
    explicit ReplyHolder(QNetworkReply *reply) : m_reply(reply) {}
    ~ReplyHolder()
    {
        if (m_reply) {
            m_reply->disconnect();
            m_reply->deleteLater();
        }
    }
    ReplyHolder(const ReplyHolder &) = delete;
    ReplyHolder &operator=(const ReplyHolder &) = delete;
    QNetworkReply *get() const { return m_reply.data(); }
    QNetworkReply *operator->() const { return m_reply.data(); }

private:
    QPointer<QNetworkReply> m_reply;
};

HttpResponse errorResponse(int number, const QString &text)
{
    HttpResponse response;
    response.errorNumber = number;
    response.errorText = text;
    return response;
}

} // namespace

Http::Http(QObject *parent)
    : QObject(parent)
{
    m_manager.setAutoDeleteReplies(false);
}

Task<HttpResponse> Http::send(const Scope *scope, HttpRequest request)
{
    if (!request.url.isValid() || request.url.host().isEmpty())
        co_return errorResponse(kInvalidAddress,
                                QStringLiteral("invalid address \"%1\"").arg(request.url.toString()));
    QNetworkRequest qrequest(request.url);
    for (const auto &[name, value] : request.headers)
        qrequest.setRawHeader(name, value);
    qrequest.setTransferTimeout(request.timeouts.inactivityMs());

    const ReplyHolder reply(request.body.isEmpty() && request.method == "GET"
                                ? m_manager.get(qrequest)
                                : m_manager.sendCustomRequest(qrequest, request.method, request.body));

    bool tooLarge = false;
    Suspension answer(scope, request.timeouts.overallMs());
    connect(reply.get(), &QNetworkReply::finished, answer.context(), [&answer] { answer.wake(); });
    connect(reply.get(), &QObject::destroyed, answer.context(), [&answer] { answer.wake(); });
    connect(reply.get(), &QNetworkReply::readyRead, answer.context(), [&] {
        if (reply->bytesAvailable() > request.maxReplyBytes) {
            tooLarge = true;
            reply->abort();
        }
    });
    // co_await stays out of conditional expressions: GCC 12 mishandles the
    // temporaries of an await in one.
    Suspension::Outcome outcome = Suspension::Outcome::Woken;
    if (!reply->isFinished())
        outcome = co_await answer;
    const bool timedOut = outcome == Suspension::Outcome::TimedOut;
    if (outcome != Suspension::Outcome::Woken && reply.get())
        reply->abort();
    const bool quitting = outcome == Suspension::Outcome::Cancelled || !reply.get();

    if (quitting)
        co_return errorResponse(kQuitting, QStringLiteral("request cancelled"));
    if (tooLarge)
        co_return errorResponse(kReplyTooLarge, QStringLiteral("reply longer than %1 bytes").arg(request.maxReplyBytes));
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QNetworkReply::NetworkError error = reply->error();
    // Canceled without our bound having fired: the transfer time-out did it.
    if (timedOut || error == QNetworkReply::OperationCanceledError || error == QNetworkReply::TimeoutError)
        co_return errorResponse(kTimedOut, QStringLiteral("操作超时"));
    // Errors from 1 to 199 are the connection's (and the proxy's): a reply
    // cut off after its status line is no reply. Higher codes only restate
    // the HTTP status, which the caller judges.
    const bool transportError = error > QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied;
    if (!status.isValid() || transportError)
        co_return errorResponse(error != QNetworkReply::NoError ? error : QNetworkReply::UnknownNetworkError,
                             reply->errorString());
    HttpResponse response;
    response.status = status.toInt();
    response.body = reply->readAll();
    co_return response;
}

Task<HttpResponse> Http::get(const Scope *scope, const QUrl &url, const HttpHeaders &headers,
                             const HttpTimeouts &timeouts)
{
    return send(scope, {"GET", url, headers, {}, timeouts});
}

Task<HttpResponse> Http::post(const Scope *scope, const QUrl &url, const HttpHeaders &headers,
                              const QByteArray &body, const HttpTimeouts &timeouts)
{
    return send(scope, {"POST", url, headers, body, timeouts});
}

} // namespace korvane
