#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrlQuery>

namespace korvane::web {

// One request as the web view's handlers see it, whatever HTTP server
// parsed it.
struct WebRequest {
    QByteArray method;   // "GET", "POST", ...
    QByteArray rawPath;  // as sent, still percent-encoded, without the query
    QUrlQuery query;
    QList<QPair<QByteArray, QByteArray>> headers; // names in lower case
    QByteArray body;
    QHostAddress peer;
    bool secure = false; // came over TLS

    QByteArray header(const QByteArray &lowerName) const
    {
        for (const auto &h : headers) {
            if (h.first == lowerName)
                return h.second;
        }
        return {};
    }
};

struct WebReply {
    int status = 200;
    QByteArray contentType = "text/plain; charset=utf-8";
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
    bool close = false; // end the connection after this reply

    void addHeader(const QByteArray &name, const QByteArray &value) { headers.append({name, value}); }

    static WebReply text(int status, const QString &text)
    {
        WebReply r;
        r.status = status;
        r.body = text.toUtf8();
        return r;
    }
    static WebReply json(int status, const QJsonObject &object)
    {
        WebReply r;
        r.status = status;
        r.contentType = "application/json; charset=utf-8";
        r.body = QJsonDocument(object).toJson(QJsonDocument::Compact);
        return r;
    }
    static WebReply jsonError(int status, const QString &error)
    {
        return json(status, QJsonObject{{QStringLiteral("error"), error}});
    }
    static WebReply redirect(const QByteArray &location)
    {
        WebReply r;
        r.status = 303;
        r.addHeader("Location", location);
        return r;
    }
};

// The session cookie's name.
inline constexpr char kSessionCookie[] = "korvane_session";

// The wire form of a reply, with the headers every answer of the station
// carries (no caching of live figures, no sniffing, no framing by others).
QByteArray serialise(const WebReply &reply);

} // namespace korvane::web
