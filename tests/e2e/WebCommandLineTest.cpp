// The web view's accounts and certificate from the command line, and a
// start-up that cannot serve.
#include "support/StationProcess.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using korvane::test::StationProcess;

namespace {

struct Outcome {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

Outcome station(const QStringList &args, const QByteArray &input = {})
{
    QProcess p;
    p.start(QStringLiteral(KORVANE_STATION_PATH), args);
    p.write(input);
    p.closeWriteChannel();
    Outcome r;
    if (!p.waitForFinished(30000))
        return r;
    r.code = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

TEST(WebCommandLine, AccountsLiveInTheSettingsFileAsKeysOnly)
{
    QTemporaryDir dir;
    const QString settings = dir.filePath(QStringLiteral("s.ini"));
    const QStringList base{QStringLiteral("--settings"), settings};
    EXPECT_EQ(station(base + QStringList{"--web-user", "anna", "--role", "operator"}, "correct horse\n").code, 0);
    EXPECT_EQ(station(base + QStringList{"--web-user", "vera", "--role", "viewer"}, "battery staple\n").code, 0);
    const struct {
        QStringList args;
        QByteArray input;
    } refused[] = {
        {{"--web-user", "bob", "--role", "admin"}, "long enough\n"},
        {{"--web-user", "bob smith", "--role", "viewer"}, "long enough\n"},
        {{"--web-user", "bob", "--role", "viewer"}, ""},
        {{"--web-user", "bob", "--role", "viewer"}, "short\n"},
    };
    for (const auto &r : refused)
        EXPECT_EQ(station(base + r.args, r.input).code, 2) << r.args.join(' ').toStdString();
    EXPECT_EQ(station(base + QStringList{"--web-users"}).out, "anna operator\nvera viewer\n");

    QFile file(settings);
    EXPECT_EQ(file.permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther), 0);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("WEB_USER_anna=operator$pbkdf2-sha256$200000$"));
    EXPECT_FALSE(text.contains("correct horse") || text.contains("battery"));
    file.close();

    EXPECT_EQ(station(base + QStringList{"--web-user", "vera", "--remove"}).code, 0);
    EXPECT_EQ(station(base + QStringList{"--web-user", "vera", "--remove"}).code, 1);
    EXPECT_EQ(station(base + QStringList{"--web-users"}).out, "anna operator\n");
}

TEST(WebCommandLine, ACertificateForAFirstStartAndNoPlainHttpOnTheNetwork)
{
    QTemporaryDir dir;
    const QString tls = dir.filePath(QStringLiteral("tls"));
    const Outcome made = station({QStringLiteral("--make-web-cert"), tls});
    ASSERT_EQ(made.code, 0) << made.err.constData();
    EXPECT_EQ(QFile::permissions(QDir(tls).filePath(QStringLiteral("web-key.pem")))
                  & (QFile::ReadGroup | QFile::ReadOther),
              0);
    EXPECT_EQ(station({QStringLiteral("--make-web-cert"), tls}).code, 1) << "an existing pair is not overwritten";

    // A network address without a certificate: the station says why and
    // runs on without the web view.
    StationProcess s;
    ASSERT_TRUE(s.start({QStringLiteral("--settings"), dir.filePath(QStringLiteral("s.ini")), QStringLiteral("--web"),
                         QStringLiteral("0.0.0.0:0")}));
    EXPECT_TRUE(s.waitForOutput(QStringLiteral("不提供明文HTTP")));
    EXPECT_TRUE(s.waitForOutput(QStringLiteral("Label_NOTE.text=网页界面未启动")));
    s.send(QStringLiteral(":quit"));
    EXPECT_TRUE(s.waitForExit());
}

} // namespace
