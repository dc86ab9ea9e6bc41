#include "web/WebServer.h"

#include "app/Station.h"
#include "platform/Dialogs.h"
#include "web/LiveFeed.h"
#include "web/Metrics.h"
#include "web/StatusFigures.h"
#include "web/WebHistory.h"

#include <QJsonDocument>
#include <QJsonParseError>

namespace korvane::web {

namespace {

constexpr int kEnterKey = 13;

const QJsonObject kOk{{QStringLiteral("ok"), true}};

// The body of a POST as one JSON object, or why not.
std::optional<QJsonObject> bodyObject(const WebRequest &request, QString &error)
{
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(request.body, &parse);
    if (parse.error != QJsonParseError::NoError || !doc.isObject()) {
        error = QStringLiteral("请求不是JSON对象");
        return std::nullopt;
    }
    return doc.object();
}

bool operatorOnly(const QByteArray &path)
{
    return path == "/console" || path == "/assets/console.js" || path == "/api/command" || path == "/api/action"
           || path == "/api/answer";
}

QByteArray sessionCookie(const QByteArray &token, bool secure, bool expire)
{
    QByteArray c = QByteArray(kSessionCookie) + '=' + token + "; Path=/; HttpOnly; SameSite=Strict";
    if (secure)
        c += "; Secure";
    if (expire)
        c += "; Max-Age=0";
    return c;
}

} // namespace

void WebServer::login(const WebRequest &request, ReplyChannel channel)
{
    const QString address = clientAddress(request);
    if (const qint64 wait = m_sessions->waitSeconds(address); wait > 0) {
        WebReply r = WebReply::redirect("/login?limited=1");
        r.status = 429;
        r.addHeader("Retry-After", QByteArray::number(wait));
        r.body = QStringLiteral("尝试次数过多，请%1秒后再试").arg(wait).toUtf8();
        channel.send(r);
        return;
    }
    // A form: user=…&password=… ('+' for a space).
    QByteArray body = request.body;
    body.replace('+', ' ');
    const QUrlQuery form(QString::fromUtf8(body));
    const QString user = form.queryItemValue(QStringLiteral("user"), QUrl::FullyDecoded);
    const QString password = form.queryItemValue(QStringLiteral("password"), QUrl::FullyDecoded);
    const bool secure = request.secure;
    verifyPassword(user, password, address, [this, channel, user, secure, address](Check check, std::optional<Role> role) {
        if (check == Check::Busy || (check == Check::Wrong && m_sessions->waitSeconds(address) > 0)) {
            WebReply r = WebReply::redirect("/login?limited=1");
            r.status = 429;
            r.body = QStringLiteral("尝试次数过多，请稍后再试").toUtf8();
            channel.send(r);
            return;
        }
        if (check == Check::Wrong) {
            channel.send(WebReply::redirect("/login?failed=1"));
            return;
        }
        const Session &session = m_sessions->open(user, *role);
        WebReply r = WebReply::redirect("/");
        r.addHeader("Set-Cookie", sessionCookie(session.token, secure, false));
        channel.send(r);
    });
}

void WebServer::authorised(const WebRequest &request, ReplyChannel channel, const Identity &who)
{
    const QByteArray &path = request.rawPath;
    const bool post = request.method == "POST";
    if (operatorOnly(path) && who.role != Role::Operator) {
        channel.send(WebReply::jsonError(403, QStringLiteral("需要操作员权限")));
        return;
    }
    // A cookie goes with any request the browser makes, also one another
    // site's page starts: a change needs the token only our pages know.
    if (post && !who.token.isEmpty() && request.header("x-csrf-token") != who.csrf) {
        channel.send(WebReply::jsonError(403, QStringLiteral("缺少或错误的CSRF令牌")));
        return;
    }
    if (post && path == "/logout") {
        if (!who.token.isEmpty())
            m_sessions->close(who.token);
        event(QStringLiteral("网页退出：%1（%2）").arg(who.user, who.address));
        WebReply r = WebReply::redirect("/login");
        r.addHeader("Set-Cookie", sessionCookie("", request.secure, true));
        channel.send(r);
        return;
    }
    if (post) {
        if (path == "/api/command")
            channel.send(command(request, who));
        else if (path == "/api/action")
            channel.send(action(request, who));
        else if (path == "/api/answer")
            channel.send(answer(request, who));
        else
            channel.send(WebReply::jsonError(404, QStringLiteral("没有这个接口")));
        return;
    }
    if (request.method != "GET" && request.method != "HEAD") {
        channel.send(WebReply::jsonError(405, QStringLiteral("不支持的方法")));
        return;
    }
    if (path == "/api/session") {
        channel.send(sessionReply(who));
    } else if (path == "/api/status") {
        channel.send(WebReply::json(200, statusObject(m_station)));
    } else if (path == "/api/live.json") {
        channel.send(WebReply::json(200, frame()));
    } else if (path == "/metrics") {
        WebReply r;
        r.contentType = kMetricsContentType;
        r.body = metricsText(m_station);
        channel.send(r);
    } else if (path == "/api/history" || path == "/api/history.csv" || path == "/api/events") {
        m_history->handle(path, request.query, [channel](const WebReply &reply) { channel.send(reply); });
    } else if (auto p = page(path)) {
        channel.send(*p);
    } else {
        channel.send(WebReply::text(404, QStringLiteral("not found")));
    }
}

WebReply WebServer::sessionReply(const Identity &who) const
{
    return WebReply::json(200, QJsonObject{{QStringLiteral("user"), who.user},
                                 {QStringLiteral("role"), roleName(who.role)},
                                 {QStringLiteral("csrf"), QString::fromLatin1(who.csrf)},
                                 {QStringLiteral("idle_minutes"), double(m_idleMs) / 60000.0}});
}

WebReply WebServer::command(const WebRequest &request, const Identity &who)
{
    QString error;
    const auto body = bodyObject(request, error);
    if (!body)
        return WebReply::jsonError(400, error);
    const QString text = body->value(QStringLiteral("command")).toString();
    if (text.trimmed().isEmpty() || text.size() > 1000 || text.contains(QLatin1Char('\n'))
        || text.contains(QLatin1Char('\r')))
        return WebReply::jsonError(400, QStringLiteral("命令须为一行文字"));
    event(QStringLiteral("网页命令：%1（%2）：%3").arg(who.user, who.address, text));
    // As typed into the window's command box and sent with Enter.
    m_station.setControl(QStringLiteral("Combo2"), text);
    m_station.key(QStringLiteral("Combo2"), kEnterKey);
    return WebReply::json(200, kOk);
}

WebReply WebServer::action(const WebRequest &request, const Identity &who)
{
    QString error;
    const auto body = bodyObject(request, error);
    if (!body)
        return WebReply::jsonError(400, error);
    const QString control = body->value(QStringLiteral("control")).toString();
    bool done = false;
    QString what;
    if (control == QLatin1String("angle")) {
        const int index = body->value(QStringLiteral("index")).toInt(-1);
        if (index < 0 || index >= int(m_station.display.angle.size()))
            return WebReply::jsonError(400, QStringLiteral("没有这个方位点"));
        what = QStringLiteral("方位点%1").arg(index);
        event(QStringLiteral("网页操作：%1（%2）：%3").arg(who.user, who.address, what));
        done = m_station.click(control, index);
    } else if (control == QLatin1String("Command1")) {
        event(QStringLiteral("网页操作：%1（%2）：连接").arg(who.user, who.address));
        done = m_station.click(control);
    } else if (control == QLatin1String("Slider1")) {
        const QJsonValue v = body->value(QStringLiteral("value"));
        if (!v.isDouble())
            return WebReply::jsonError(400, QStringLiteral("滑块须为数字"));
        const int value = v.toInt();
        event(QStringLiteral("网页操作：%1（%2）：滑块 %3").arg(who.user, who.address).arg(value));
        done = m_station.setControl(control, QString::number(value));
    } else {
        return WebReply::jsonError(400, QStringLiteral("不能从网页操作这个控件"));
    }
    return done ? WebReply::json(200, kOk) : WebReply::jsonError(400, QStringLiteral("操作未被接受"));
}

WebReply WebServer::answer(const WebRequest &request, const Identity &who)
{
    QString error;
    const auto body = bodyObject(request, error);
    if (!body)
        return WebReply::jsonError(400, error);
    Dialogs *dialogs = m_station.environment().dialogs;
    const QString given = body->value(QStringLiteral("answer")).toString();
    if (given != QLatin1String("ok") && given != QLatin1String("cancel"))
        return WebReply::jsonError(400, QStringLiteral("回答须为 ok 或 cancel"));
    // The id guards against answering a question that was meanwhile
    // answered in the window and followed by another.
    if (!dialogs || !dialogs->openQuestion()
        || body->value(QStringLiteral("id")).toDouble(-1) != double(dialogs->openQuestionId()))
        return WebReply::jsonError(409, QStringLiteral("这个问题已不在"));
    const Dialogs::Question q = *dialogs->openQuestion();
    event(QStringLiteral("网页回答：%1（%2）：%3 → %4")
              .arg(who.user, who.address, q.title, given == QLatin1String("ok") ? QStringLiteral("确定")
                                                                                 : QStringLiteral("取消")));
    dialogs->answerFromElsewhere(given == QLatin1String("ok") ? Dialogs::Answer::Ok : Dialogs::Answer::Cancel);
    return WebReply::json(200, kOk);
}

} // namespace korvane::web
