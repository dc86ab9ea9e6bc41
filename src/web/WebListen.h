#pragma once

#include <QHostAddress>
#include <QString>

namespace korvane::web {

// Where the web view listens, from WEB_LISTEN or --web ("HOST:PORT",
// "[v6]:PORT"). Plain HTTP only on a loopback address: anywhere else the
// view needs a certificate and serves HTTPS only.
struct WebListen {
    QHostAddress address;
    quint16 port = 0;

    bool loopback() const { return address.isLoopback(); }
    QString text() const;

    // False with the reason in words for a text that names no address and
    // port; an empty text is "off", not an error.
    static bool parse(const QString &text, WebListen &out, QString &error);
};

} // namespace korvane::web
