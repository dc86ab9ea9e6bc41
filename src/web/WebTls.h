#pragma once

#include <QSslConfiguration>
#include <QString>

namespace korvane::web {

// The certificate and key of an HTTPS web view, from PEM files. False with
// the reason in words: a file missing or unreadable, not PEM, a key that
// others may read (it must be 0600), a key that does not fit the
// certificate.
bool loadTls(const QString &certFile, const QString &keyFile, QSslConfiguration &out, QString &error);

// A self-signed pair for a first start (openssl): DIR/web-cert.pem and
// DIR/web-key.pem (0600), for this host's name, localhost and loopback.
bool makeCertificate(const QString &dir, QString &certFile, QString &keyFile, QString &error);

} // namespace korvane::web
