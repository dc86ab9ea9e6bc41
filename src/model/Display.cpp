#include "model/Display.h"

#include <algorithm>

namespace korvane {

Display::Display(QObject *parent)
    : QObject(parent)
{
    for (int i = 0; i < static_cast<int>(angle.size()); ++i)
        angle[i] = new Control(QStringLiteral("angle(%1)").arg(i), this);
    for (QObject *child : children()) {
        if (auto *control = qobject_cast<Control *>(child)) {
            m_controls.append(control);
            connect(control, &Control::changed, this, [this, control](const QString &p, const QString &v) {
                Q_EMIT changed(control->name(), p, v);
            });
        }
    }
    Text2.setCap(kTerminalCap);
    setDesignTexts();
    radioFeed.setFields({&Text1, &Text15, &lanByte, &Text_Level, &Text_delta, &Ship});
    radioFeed.setSilenceReason(QStringLiteral("连续三次轮询无应答"));
    boardFeed.setFields({&navAngle, &distvalue});
    boardFeed.setSilenceReason(QStringLiteral("状态数据中断"));
    shipFeed.setFields({&Label12});
    shipFeed.setSilenceReason(QStringLiteral("船舶位置未更新"));
    pingFeed.setSilenceReason(QStringLiteral("ping无结果"));
    m_feeds = {&radioFeed, &boardFeed, &shipFeed, &pingFeed};
    setTimeScale(1.0);
}

// A time-scaled run (demo, tests) shortens the thresholds, but never below a
// second: a loaded machine's scheduling delays do not scale.
void Display::setTimeScale(double scale)
{
    const double s = scale > 0 ? scale : 1.0;
    const auto scaled = [s](qint64 ms) { return std::max<qint64>(kMinStaleMs, static_cast<qint64>(ms * s)); };
    radioFeed.setStaleAfter(scaled(kRadioStaleMs));
    boardFeed.setStaleAfter(scaled(kBoardStaleMs));
    shipFeed.setStaleAfter(scaled(kShipStaleMs));
    pingFeed.setStaleAfter(scaled(kPingStaleMs));
}

Control *Display::find(const QString &name) const
{
    for (Control *c : m_controls) {
        if (c->name() == name)
            return c;
    }
    return nullptr;
}

// Captions and tool tips as the window is designed; set before anything
// listens, so they are the starting state rather than changes.
void Display::setDesignTexts()
{
    MainWindow.setText(QStringLiteral("动中通天线自动控制系统 V1.0.46"));
    MainWindow.setValue(9405);
    Text10.setToolTip(QStringLiteral("默认值8233"));
    Command1.setText(QStringLiteral("连  接"));
    Check1.setToolTip(QStringLiteral("打开软件时自动连接"));
    Text1.setText(QStringLiteral("-120"));
    lanBytes.setText(QStringLiteral("吞吐量 Mbps"));
    Text_delta.setToolTip(QStringLiteral("极化差值"));
    dist.setText(QStringLiteral("距离基站："));
    Label5.setText(QStringLiteral("球对球："));
    Label12.setText(QStringLiteral("AIS驱动"));
    static const char *const ringTips[13] = {
        "目标在船艏0度", "30度", "60度", "90度", "120度", "150度", "180度(正船尾)",
        "210度", "240度", "270度", "300度", "330度", "自动驱动：双击恢复自动驱动模式"};
    for (int i = 0; i < 13; ++i) {
        angle[i]->setText(QStringLiteral("●"));
        angle[i]->setToolTip(QString::fromUtf8(ringTips[i]));
    }
    angle[12]->setColour(colours::Green);
    Slider1.setValue(0);
    Command_HFIX.setText(QStringLiteral("0"));
    Command_HFIX.setToolTip(QStringLiteral("拉动目标角度条再点击本按钮"));
    Text12.setToolTip(QStringLiteral("范围-90～90,输入完回车确认"));
    Text13.setToolTip(QStringLiteral("范围-180～180,输入完回车确认"));
    Combo2.setToolTip(QStringLiteral("点选命令，或在下一栏手动输入命令，实际支持命令，以telnet终端显示为准"));
    Text2.setText(QString());
    Label4.setText(QStringLiteral("超级终端"));
    Label4.setToolTip(QStringLiteral("双击打开日志记录"));
    Lbl_ALARM.setToolTip(QStringLiteral("双击清除告警信息"));
    Frame4.setText(QStringLiteral("手动控制命令输入窗口"));
    Command3.setText(QStringLiteral("发送"));
    Label18.setText(QStringLiteral("︽"));
    Label18.setToolTip(QStringLiteral("折叠"));
    progressBar.setVisible(false);
}

} // namespace korvane
