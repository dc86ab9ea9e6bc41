#include "history/EventKinds.h"
#include "history/HistorySchema.h"

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::history;

namespace {

struct KindCase {
    const char *line;
    bool byOperator;
    const char *kind; // nullptr: a data record, not an event
};

void PrintTo(const KindCase &c, std::ostream *os) { *os << c.line; }

class EventKindTable : public ::testing::TestWithParam<KindCase> {};

TEST_P(EventKindTable, ClassifiesTheLine)
{
    const KindCase &c = GetParam();
    const auto kind = eventKindOf(QString::fromUtf8(c.line), c.byOperator);
    if (!c.kind) {
        EXPECT_FALSE(kind.has_value()) << kind->toStdString();
        return;
    }
    ASSERT_TRUE(kind.has_value());
    EXPECT_EQ(kind->toStdString(), c.kind);
}

const KindCase kCases[] = {
    {"12:00:01 主机类型(1)事件：微波登录成功！", false, "login"},
    {"12:00:01 主机类型(1)事件：微波登录用户名或密码错，请检查并修改后点击连接！", false, "login"},
    {"12:00:01 主机类型(1)事件：手动驱动：[P0H5V0]", true, "drive"},
    {"12:00:01 主机类型(1)事件：自动AIS驱动:r120", false, "drive"},
    {"2024-05-01 12:00:01信号丢失系统自动搜索和扫描中......", false, "sweep"},
    // The readings before the decision are data: one event a comparison.
    {"2024-05-01 12:00:01当前位置(M)信号强度值：-56", false, nullptr},
    {"2024-05-01 12:00:01当前位置(L)信号强度值：-65", false, nullptr},
    {"12:00:01 主机类型(1)事件：系统时间跳变：向前2天0小时（由 2024-05-01 12:00:00 变为 2024-05-03 12:00:01），历史记录不因此删除",
     false, "clock"},
    {"2024-05-01 12:00:01信号最强(R)：-52 信号(L)：-65 信号(M)：-56 注：-120表示无信号", false, "comparison"},
    {"12:00:01 主机类型(1)事件：12:00:01 当前扫描角度3信号强度值：-60", false, "survey"},
    {"12:00:01 主机类型(1)事件：当前通信异常，自动扫描过程中，请确保设备通信正常！", false, "survey"},
    {"12:00:01 主机类型(1)事件：微波ping 100包延迟异常150毫秒，自动执行微波重启动作...", false, "reboot"},
    {"12:00:01 主机类型(1)事件：云平台连接错误: Connection refused", false, "cloud_failure"},
    {"云平台Winsock状态异常，强制关闭，原状态码：2", false, "cloud_failure"},
    {"12:00:01 主机类型(1)事件：微波网络出错或已断开，请检查！", false, "link_lost"},
    {"12:00:01 主机类型(1)事件：已经清除告警信息，您也可以通过日志查看信息记录！", true, "operator"},
    {"12:00:01 主机类型(1)事件：北斗/GPS信号异常", false, "alarm"},
    {"12:00:01 主机类型(1)事件：COMP_TIME:300", true, "operator"},
    {"12:00:01 主机类型(1)事件：KORVANE_MAC地址：245A4C1E7B03", false, "other"},
    // Data records: their figures are in the samples.
    {"======  2024-05-01 12:00:01  127.0.0.1  8233  ====== 微波设备：IP 10.0.0.2", false, nullptr},
    {"5G数据: {\"rsrp\":-80}", false, nullptr},
    {"本地串口AIS原始数据：2024-05-01 12:00:01  !AIVDM,1,1,,A,13u?etPv2;0n:dDPwUM1U1Cb069D,0*24", false, nullptr},
    {"坐标：31.2310658,121.4744652 ", false, nullptr},
    {"2024-05-01 12:00:01坐标：31.2310658,121.4744652 航向45 航速10节", false, nullptr},
    {"角度:H12.2V30.0 信号:100% 航向:45.0 航速:18.5", false, nullptr},
    {"mca-status\r\ndeviceName=ship,signal=-56", false, nullptr},
    {"   ", false, nullptr},
};

INSTANTIATE_TEST_SUITE_P(Lines, EventKindTable, ::testing::ValuesIn(kCases));

} // namespace
