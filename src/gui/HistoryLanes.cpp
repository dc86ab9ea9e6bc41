#include "gui/HistoryLanes.h"

#include "history/HistorySchema.h"

#include <QHash>

namespace korvane {

namespace {

const QColor kBlue(29, 79, 145);
const QColor kGreen(0, 140, 90);
const QColor kGrey(140, 148, 160);
const QColor kOrange(200, 110, 0);
const QColor kPurple(170, 60, 140);

} // namespace

const QVector<HistoryLane> &historyLanes()
{
    static const QVector<HistoryLane> lanes = {
        {QStringLiteral("信号"), QStringLiteral("dBm"),
         {{QStringLiteral("signal_dbm"), QStringLiteral("信号"), kBlue},
          {QStringLiteral("noise_dbm"), QStringLiteral("噪声"), kGrey}},
         false, -100, -40, 10, false, 1, false, 10},
        {QStringLiteral("速率"), QStringLiteral("Mbit/s"),
         {{QStringLiteral("rx_mbps"), QStringLiteral("下行"), kBlue},
          {QStringLiteral("tx_mbps"), QStringLiteral("上行"), kGreen},
          {QStringLiteral("cap_down_mbps"), QStringLiteral("下行容量"), QColor(120, 160, 215)},
          {QStringLiteral("cap_up_mbps"), QStringLiteral("上行容量"), QColor(110, 195, 150)}},
         false, 0, 10, 1, true, 2},
        {QStringLiteral("延迟"), QStringLiteral("ms"),
         {{QStringLiteral("ping_ms"), QStringLiteral("延迟"), kOrange}},
         false, 0, 100, 10, true, 0},
        {QStringLiteral("角度"), QStringLiteral("°"),
         {{QStringLiteral("antenna_angle_deg"), QStringLiteral("天线方位"), kBlue},
          {QStringLiteral("heading_deg"), QStringLiteral("船首向"), kPurple}},
         true, 0, 360, 90, false, 1, true},
    };
    return lanes;
}

const QVector<HistoryBand> &historyBands()
{
    static const QVector<HistoryBand> bands = {
        {QStringLiteral("board_link"), QStringLiteral("控制板")},
        {QStringLiteral("radio_link"), QStringLiteral("微波")},
        {QStringLiteral("cloud_ok"), QStringLiteral("云端"), QStringLiteral("未上报")},
    };
    return bands;
}

QStringList historyTraceColumns()
{
    QStringList columns;
    for (const HistoryLane &lane : historyLanes())
        for (const HistoryTrace &trace : lane.traces)
            columns << trace.column;
    return columns;
}

QStringList historyBandColumns()
{
    QStringList columns;
    for (const HistoryBand &band : historyBands())
        columns << band.column;
    return columns;
}

QColor eventKindColour(const QString &kind)
{
    namespace k = history::kind;
    if (isSevereKind(kind))
        return {211, 47, 47};
    if (kind == k::Clock)
        return {120, 90, 200};
    if (kind == k::LinkBack || kind == k::Login)
        return {46, 125, 50};
    if (kind == k::Sweep || kind == k::Survey || kind == k::Comparison || kind == k::Drive)
        return kOrange;
    return kGrey;
}

} // namespace korvane
