#include "platform/Http.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <memory>

namespace korvane {

namespace {

struct ReplyDeleter {
    void operator()(QNetworkReply *reply) const
    {
        reply->disconnect();
        reply->deleteLater();
    }
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

HttpResponse Http::send(const HttpRequest &request)
{
    if (!request.url.isValid() || request.url.host().isEmpty())
        return errorResponse(kInvalidAddress,
                             QStringLiteral("invalid address \"%1\"").arg(request.url.toString()));
    QNetworkRequest qrequest(request.url);
    for (const auto &[name, value] : request.headers)
        qrequest.setRawHeader(name, value);
    qrequest.setTransferTimeout(request.timeouts.inactivityMs());

    std::unique_ptr<QNetworkReply, ReplyDeleter> reply(
        request.body.isEmpty() && request.method == "GET"
            ? m_manager.get(qrequest)
            : m_manager.sendCustomRequest(qrequest, request.method, request.body));

    QEventLoop loop;
    QTimer bound;
    bound.setSingleShot(true);
    bool timedOut = false;
    bool tooLarge = false;
    connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    connect(reply.get(), &QNetworkReply::readyRead, &loop, [&] {
        if (reply->bytesAvailable() > request.maxReplyBytes) {
            tooLarge = true;
            reply->abort();
        }
    });
    connect(&bound, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    bound.start(request.timeouts.overallMs());
    bool quitting = false;
    while (!reply->isFinished()) {
        // A negative result: the application is quitting and runs no loop.
        if (loop.exec() < 0) {
            quitting = true;
            reply->abort();
            break;
        }
    }
    bound.stop();

    if (quitting)
        return errorResponse(kQuitting, QStringLiteral("application quitting"));
    if (tooLarge)
        return errorResponse(kReplyTooLarge, QStringLiteral("reply longer than %1 bytes").arg(request.maxReplyBytes));
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QNetworkReply::NetworkError error = reply->error();
    // Canceled without our bound having fired: the transfer time-out did it.
    if (timedOut || error == QNetworkReply::OperationCanceledError || error == QNetworkReply::TimeoutError)
        return errorResponse(kTimedOut, QStringLiteral("操作超时"));
    // Errors from 1 to 199 are the connection's (and the proxy's): a reply
    // cut off after its status line is no reply. Higher codes only restate
    // the HTTP status, which the caller judges.
    const bool transportError = error > QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied;
    if (!status.isValid() || transportError)
        return errorResponse(error != QNetworkReply::NoError ? error : QNetworkReply::UnknownNetworkError,
                             reply->errorString());
    HttpResponse response;
    response.status = status.toInt();
    response.body = reply->readAll();
    return response;
}

HttpResponse Http::get(const QUrl &url, const HttpHeaders &headers, const HttpTimeouts &timeouts)
{
    return send({"GET", url, headers, {}, timeouts});
}

HttpResponse Http::post(const QUrl &url, const HttpHeaders &headers, const QByteArray &body,
                        const HttpTimeouts &timeouts)
{
    return send({"POST", url, headers, body, timeouts});
}

} // namespace korvane
