#include "controller/BaseImport.h"

#include "model/Display.h"
#include "controller/BoardScript.h"
#include "link/ControllerLink.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "text/Formats.h"
#include "text/Gbk.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

namespace korvane {

namespace {

constexpr float kLinePause = 0.3f; // paces the board's storing of each line
constexpr float kModePause = 1.0f;

const QString kCrLf = QStringLiteral("\r\n");

QString decode(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    // Not UTF-8: the file was saved in the Chinese code page.
    return fromGbk(bytes);
}

// Station records ("p1j…w…d…") and coordinate zones ("Z…") go to the
// board; blank lines, comments ("/", ";") and anything else do not.
bool isCommandLine(const QString &line)
{
    if (line.isEmpty())
        return false;
    const QChar first = line.front();
    return first == u'P' || first == u'p' || first == u'Z' || first == u'z';
}

// Clears the running flag however the import ends.
struct RunningFlag {
    explicit RunningFlag(bool &flag) : flag(flag) { flag = true; }
    ~RunningFlag() { flag = false; }
    bool &flag;
};

} // namespace

BaseImport::BaseImport(Parts parts, QStringList folders)
    : m_parts(parts), m_folders(std::move(folders)), m_wait(delayIn(&parts.scope))
{
}

QStringList BaseImport::searchFolders(const QString &named, const QString &settingsFile)
{
    QStringList folders;
    if (!named.isEmpty())
        folders << QDir(named).absolutePath();
    if (!settingsFile.isEmpty())
        folders << QFileInfo(settingsFile).absolutePath();
    folders << QDir::currentPath() << QCoreApplication::applicationDirPath();
    folders.removeDuplicates();
    return folders;
}

QStringList BaseImport::folders() const
{
    return m_folders.isEmpty() ? QStringList{QCoreApplication::applicationDirPath()} : m_folders;
}

QStringList BaseImport::commandLines(const QByteArray &bytes)
{
    // Every line end counts, so a file with mixed ends never sends two
    // records glued into one line.
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\n|\r"));
    QStringList lines;
    for (const QString &piece : decode(bytes).split(lineEnd)) {
        const QString line = piece.trimmed();
        if (isCommandLine(line))
            lines << line;
    }
    return lines;
}

void BaseImport::ImportBasePoints()
{
    if (m_running)
        return;
    launch(run(), "IMPORT");
}

Task<> BaseImport::run()
{
    // From the start: a second import asked for while a box of this one is
    // open is not started.
    const RunningFlag running(m_running);
    const Scope *scope = &m_parts.scope;
    const QString path = findFile();
    if (path.isEmpty()) {
        co_await m_parts.dialogs.message(scope, QStringLiteral("文件不存在"),
                                QStringLiteral("未找到配置文件: POINT.INI") + kCrLf
                                    + QStringLiteral("请将预设的基站配置坐标文件放在文件夹：")
                                    + QDir::toNativeSeparators(folders().constFirst()),
                                Dialogs::Icon::Warning);
        co_return;
    }
    if (!m_parts.controller.isConnected()) {
        co_await m_parts.dialogs.message(scope, QStringLiteral("连接错误"),
                                         QStringLiteral("未连接到天线控制单片机，请先连接！"), Dialogs::Icon::Warning);
        co_return;
    }
    Display &d = m_parts.display;
    d.Text2.append(kCrLf + now() + QStringLiteral(" 开始导入POINT.INI基站坐标...") + kCrLf);
    d.Label_NOTE.setText(QStringLiteral("开始导入基站坐标..."));
    QString error;
    const std::optional<QStringList> lines = readLines(path, error);
    if (!lines) {
        co_await fail(error);
        co_return;
    }
    const bool done = co_await sendLines(*lines, error);
    if (!done) {
        if (!error.isEmpty())
            co_await fail(error);
        co_return;
    }
    const QString count = QString::number(lines->size());
    d.Text2.append(kCrLf + now() + QStringLiteral(" 导入完成！") + kCrLf);
    d.Text2.append(QStringLiteral("成功导入: ") + count + QStringLiteral(" 条命令") + kCrLf);
    d.Label_NOTE.setText(QStringLiteral("基站坐标导入完成！共导入 ") + count + QStringLiteral(" 条命令"));
    if (!lines->isEmpty())
        co_await offerMultiBase(static_cast<int>(lines->size()));
}

QString BaseImport::findFile() const
{
    for (const QString &folder : folders()) {
        for (const char *name : {"POINT.INI", "POINT.ini"}) {
            const QString path = QDir(folder).filePath(QString::fromLatin1(name));
            if (QFileInfo::exists(path))
                return path;
        }
    }
    return {};
}

std::optional<QStringList> BaseImport::readLines(const QString &path, QString &error) const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = file.errorString();
        return std::nullopt;
    }
    return commandLines(bytes);
}

// False with no error when the station stopped during a pause.
Task<bool> BaseImport::sendLines(const QStringList &lines, QString &error)
{
    const LinkWatch watch(m_parts.controllerSocket);
    ScriptProgress progress(m_parts.display.progressBar, static_cast<int>(lines.size()));
    int sent = 0;
    for (const QString &line : lines) {
        // A link that dropped ends the import even if it is back: no line
        // goes out on a later connection.
        if (!watch.dropped()) {
            m_parts.display.Text2.append(QStringLiteral("发送: ") + line + kCrLf);
            if (m_parts.controller.send(line + kCrLf)) {
                progress.show(++sent);
                const bool done = co_await m_wait(kLinePause);
                if (!done)
                    co_return false;
                continue;
            }
        }
        error = QStringLiteral("与天线控制单片机的连接已断开");
        co_return false;
    }
    co_return true;
}

Task<> BaseImport::offerMultiBase(int count)
{
    const QString n = QString::number(count);
    const Dialogs::Answer answer = co_await m_parts.dialogs.yesNo(
        &m_parts.scope, QStringLiteral("启用多基站模式"),
        QStringLiteral("基站坐标导入完成！") + kCrLf + QStringLiteral("成功导入: ") + n + QStringLiteral(" 个基站") + kCrLf
            + kCrLf + QStringLiteral("是否启用多基站模式（执行T") + n + QStringLiteral("命令）？"),
        Dialogs::Icon::Question, Dialogs::Answer::Ok);
    if (answer != Dialogs::Answer::Ok)
        co_return;
    if (!m_parts.controller.send(QStringLiteral("T") + n + kCrLf)) {
        // Not switched: saying so would report a failure as success.
        co_await fail(QStringLiteral("与天线控制单片机的连接已断开"));
        co_return;
    }
    const bool done = co_await m_wait(kModePause);
    if (!done)
        co_return;
    m_parts.display.Label_NOTE.setText(QStringLiteral("已启用多基站模式，基站数量: ") + n);
    m_parts.display.Text2.append(QStringLiteral("执行 T") + n + QStringLiteral(" 启用多基站模式") + kCrLf);
}

Task<> BaseImport::fail(const QString &description)
{
    const QString text = QStringLiteral("导入错误: ") + description;
    m_parts.display.Text2.append(text + kCrLf);
    co_await m_parts.dialogs.message(&m_parts.scope, QStringLiteral("错误"), text, Dialogs::Icon::Error);
    m_parts.display.Label_NOTE.setText(QStringLiteral("基站坐标导入失败"));
}

QString BaseImport::now() const
{
    return dateTimeText(m_parts.clock.now());
}

} // namespace korvane
