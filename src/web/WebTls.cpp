#include "web/WebTls.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostInfo>
#include <QProcess>
#include <QSslCertificate>
#include <QSslKey>
#include <QStandardPaths>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#endif

namespace korvane::web {

bool loadTls(const QString &certFile, const QString &keyFile, QSslConfiguration &out, QString &error)
{
    if (certFile.isEmpty() || keyFile.isEmpty()) {
        error = QStringLiteral("WEB_CERT 与 WEB_KEY 须同时设置");
        return false;
    }
    QFile cert(certFile);
    if (!cert.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("无法读取证书 %1（%2）").arg(certFile, cert.errorString());
        return false;
    }
    const QList<QSslCertificate> chain = QSslCertificate::fromData(cert.readAll(), QSsl::Pem);
    if (chain.isEmpty()) {
        error = QStringLiteral("证书 %1 不是PEM证书").arg(certFile);
        return false;
    }
    const QFileInfo keyInfo(keyFile);
    if (!keyInfo.exists()) {
        error = QStringLiteral("私钥 %1 不存在").arg(keyFile);
        return false;
    }
    const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther
                        | QFileDevice::WriteOther;
    if (keyInfo.permissions() & others) {
        error = QStringLiteral("私钥 %1 可被他人读取，须为0600（chmod 600 %1）").arg(keyFile);
        return false;
    }
    QFile key(keyFile);
    if (!key.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("无法读取私钥 %1（%2）").arg(keyFile, key.errorString());
        return false;
    }
    const QByteArray keyPem = key.readAll();
    QSslKey privateKey(keyPem, QSsl::Ec, QSsl::Pem);
    if (privateKey.isNull())
        privateKey = QSslKey(keyPem, QSsl::Rsa, QSsl::Pem);
    if (privateKey.isNull()) {
        error = QStringLiteral("私钥 %1 不是PEM私钥（须无口令）").arg(keyFile);
        return false;
    }
    out = QSslConfiguration::defaultConfiguration();
    out.setLocalCertificateChain(chain);
    out.setPrivateKey(privateKey);
    out.setProtocol(QSsl::TlsV1_2OrLater);
    out.setPeerVerifyMode(QSslSocket::VerifyNone);
    return true;
}

bool makeCertificate(const QString &dir, QString &certFile, QString &keyFile, QString &error)
{
    const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
    if (openssl.isEmpty()) {
        error = QStringLiteral("找不到 openssl（apt-get install openssl）");
        return false;
    }
    if (!QDir().mkpath(dir)) {
        error = QStringLiteral("无法建立目录 %1").arg(dir);
        return false;
    }
    certFile = QDir(dir).filePath(QStringLiteral("web-cert.pem"));
    keyFile = QDir(dir).filePath(QStringLiteral("web-key.pem"));
    if (QFileInfo::exists(certFile) || QFileInfo::exists(keyFile)) {
        error = QStringLiteral("%1 已有证书或私钥，不覆盖").arg(dir);
        return false;
    }
    const QString host = QHostInfo::localHostName();
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    // The key is made 0600 from its first byte.
#if defined(Q_OS_UNIX)
    p.setChildProcessModifier([] { ::umask(077); });
#endif
    p.start(openssl, {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("ec"),
                      QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:P-256"), QStringLiteral("-nodes"),
                      QStringLiteral("-days"), QStringLiteral("825"), QStringLiteral("-subj"),
                      QStringLiteral("/CN=") + host, QStringLiteral("-addext"),
                      QStringLiteral("subjectAltName=DNS:%1,DNS:localhost,IP:127.0.0.1,IP:::1").arg(host),
                      QStringLiteral("-keyout"), keyFile, QStringLiteral("-out"), certFile});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        error = QStringLiteral("openssl 失败：%1").arg(QString::fromLocal8Bit(p.readAll()).trimmed());
        return false;
    }
    QFile::setPermissions(keyFile, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QFile::setPermissions(certFile, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                        | QFileDevice::ReadOther);
    return true;
}

} // namespace korvane::web
