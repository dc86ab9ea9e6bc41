#include "controller/InitSequence.h"

#include "model/Display.h"
#include "controller/BoardScript.h"
#include "link/ControllerLink.h"
#include "platform/Dialogs.h"

#include <optional>

namespace korvane {

namespace {

struct Row {
    const char *command;
    bool bare; // sent without CR LF
    const char *notice;
    float pause;
};

// The factory script. Rows 15 and 18 go out bare, as the console sends; in
// row 15 the CR LF belongs to the notice.
const Row kRows[InitSequence::kRowCount] = {
    {"cl0", false, "电子罗盘航速阈值，设置默认0", 2},
    {"ch15", false, "罗盘与航速切换阈值，高于航速15km/h时候，启用航速驱动，依据船只类型可能阈可能阈值有差异0", 2},
    {"cH2", false, "方位角变化驱动阈值2度", 2},
    {"cV2", false, "俯仰角变化驱动阈值2度", 2},
    {"a99", false, "单锚点抛锚辅助算法", 1},
    {"a99", false, "单锚点抛锚辅助算法", 1},
    {"J114.00000", false, "单锚点抛锚辅助算法参数", 1},
    {"W23.00000", false, "单锚点抛锚辅助算法参数", 1},
    {"P0", false, "设置本站移动站模式", 2},
    {"T2", false, "设置双目标基站模式", 2},
    {"p249j114.1283585w22.6012698d12", false, "设置动中通设备初始开机未定位时的自身坐标为出厂值", 2},
    {"p1j114.111111w23.222222d50", false, "设置目标站点编号1的经纬度，坐标，高度", 2},
    {"T1", false, "单目标基站模式", 2},
    {"S0", false, "设置(动态站)启动后通过485电台自动发送经度纬度海拔0次", 2},
    {"g2", true, "更改GPS频率:2Hz\r\n", 2},
    {"cP60", false, "修改基座俯仰检测采样60", 2},
    {"cP1", false, "开启加速度传感器倾斜检测", 2},
    {"cb0.01", true, "设置安装(前部与船载艏向,固定站真北)夹角0.01", 2},
    {"co0.01", false, "重新设置磁偏角默认值:0.01", 2},
    {"cI0.01", false, "设置电子罗盘初始安装正北0度校准参数:0.01，-120~120范围", 2},
    {"cH2.0", false, "设置电子罗盘变化阈值驱动水平角度，默认2度", 2},
    {"cV2", false, "设置俯仰角姿态传感器变化阈值驱动仰俯角度，默认2度", 2},
    {"cz20", false, "磁偏角依据GPS航向自动校准功能(直线前行航速大于20.00km时)", 2},
    {"b0", false, "不设置每天自动自检", 2},
    {"cM30", false, "设置天线转动速度30度/秒", 2},
    {"LUadmin", false, "设置天线微波默认登录用户admin", 2},
    {"LPPass7391", false, "设置天线微波默认登录密码Pass7391", 2},
    {"fX20", false, "默认海上传输环境大于2公里下倾0度（默认不下倾，即关闭下倾功能）", 2},
    {"TD0", false, "默认关闭设置多基站延后切换时间（单位秒）如果单一船只多动中通，且都是按距离切换基站模式时，将会同时切换。", 2},
    {"tz8", false, "设置设备默认工作时区为东8区（以匹配北京时间），也可自行tz命令修改时区。", 2},
    {"Z0", false,
     "设置特殊坐标区域指定基站数量0，如有特殊坐标范围区域需指定特定基站，请按指令方法（Zx Px Nxx.xxxxx Wxx.xxxxx "
     "Sxx.xxxxxx Exx.xxxxxx 设置划分的坐标区域驱动指定对指定基站）或咨询供应商进行坐标区域设置。",
     2},
};

constexpr const char *kClosingText =
    "设置安装(前部与船载艏向,固定站真北)夹角，可能因支架焊接角度问题，需要采用命令cb校准。其它自身姿态检测初始水平校准、"
    "初始位传感器校准cF、电子罗盘安装校准角co、俯角fD和仰角fU值、以及齿轮比cR100校准设置，请根据需要进行调整！"
    "通常由厂家出厂时设置，请谨慎修改！";

const QString kCrLf = QStringLiteral("\r\n");

} // namespace

QStringList InitSequence::rowCommands()
{
    QStringList commands;
    for (const Row &row : kRows)
        commands << QString::fromUtf8(row.command);
    return commands;
}

InitSequence::InitSequence(Display &display, ControllerLink &controller, TcpLink &controllerSocket,
                           Dialogs &dialogs, const Scope &scope)
    : m_display(display), m_controller(controller), m_socket(controllerSocket), m_dialogs(dialogs),
      m_scope(scope), m_wait(delayIn(&scope))
{
}

void InitSequence::init_board()
{
    if (m_running || !m_controller.isConnected())
        return;
    m_running = true;
    launch(run(), "INIT");
}

Task<> InitSequence::run()
{
    const bool done = co_await sendRows();
    if (done)
        co_await finish();
    m_running = false;
}

// False when the link dropped or the station stopped, and the run ended
// early.
Task<bool> InitSequence::sendRows()
{
    const LinkWatch watch(m_socket);
    ScriptProgress progress(m_display.progressBar, kRowCount);
    const auto abandon = [this] {
        m_display.Label_NOTE.setText(QStringLiteral("初始化中断：与天线控制单片机的连接已断开！"));
        return false;
    };
    for (int i = 0; i < kRowCount; ++i) {
        const Row &row = kRows[i];
        const QString command = QString::fromLatin1(row.command);
        if (watch.dropped() || !m_controller.send(row.bare ? command : command + kCrLf))
            co_return abandon();
        m_display.Label_NOTE.setText(QString::fromUtf8(row.notice));
        progress.show(i + 1);
        const bool done = co_await m_wait(row.pause);
        if (!done)
            co_return false;
    }
    if (watch.dropped() || !m_controller.send(QStringLiteral("?") + kCrLf))
        co_return abandon();
    m_display.Combo2.setText(QStringLiteral("?"));
    co_return true;
}

Task<> InitSequence::finish()
{
    co_await m_dialogs.message(&m_scope, QStringLiteral("警告"), QString::fromUtf8(kClosingText),
                               Dialogs::Icon::Information);
    m_display.Label_NOTE.setText(QStringLiteral("初始设置参数完毕！"));
}

} // namespace korvane
