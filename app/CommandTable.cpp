#include "CommandTable.h"

#include "CMainFrame.h"
#include "CTrawlerApp.h"
#include "CTrawlerView.h"

namespace {
constexpr int kNoButton = -1;
}

const std::array<const char*, 8> kMenuTitles = {
    "文件(&F)", "截包(&C)", "解析(&P)", "ICMP分析", "ARP分析", "IP流量分析", "SYN分析", "帮助(&H)",
};

// Handlers are plain functions so the table stays data; each forwards to
// the object that owns the command.
#define VIEW(fn) [](CommandTargets& t) { t.view->fn(); }

const std::array<CommandInfo, 31> kCommands = {{
    {32775, "文件(&F)", "建立mdb文件", "建立新的MDB文件", "", kNoButton, "", VIEW(OnCreateMdb)},
    {32776, "文件(&F)", "初始化mdb文件", "初始化MDB文件，在选定的mdb中建表", "", kNoButton, "", VIEW(OnInitMdb)},
    {ID_APP_EXIT, "文件(&F)", "退出(&X)", "退出应用程序；提示保存文档", "退出", kNoButton, "",
     [](CommandTargets& t) { t.frame->OnAppExit(); }},

    {32777, "截包(&C)", "设置保存目录", "", "设置CAP文件保存目录", 0, "", VIEW(OnSetSaveDir)},
    {32772, "截包(&C)", "开始(&B)", "", "开始截包", 1, "", VIEW(OnCaptureStart)},
    {32773, "截包(&C)", "停止(&V)", "", "停止截包", 2, "", VIEW(OnCaptureStop)},

    {32774, "解析(&P)", "选择cap文件及数据库位置...", "", "选择要解析的MDB文件以及存放位置", 3, "", VIEW(OnParse)},

    {32778, "ICMP分析", "选择要分析的数据库", "", "选择要分析的数据库", 4, "", VIEW(OnSelectDatabase)},
    {32779, "ICMP分析", "统计扫描者", "", "统计ICMP扫描者", 5, "", VIEW(OnIcmpScanners)},
    {32780, "ICMP分析", "统计被扫描者", "", "统计ICMP被扫描者", 6, "", VIEW(OnIcmpScanned)},
    {32781, "ICMP分析", "统计扫描关系", "", "统计ICMP扫描关系", 7, "", VIEW(OnIcmpRelations)},
    {32782, "ICMP分析", "扫描者所用ICMP数据包总长度", "统计扫描者所用数据包长度", "", kNoButton, "",
     VIEW(OnIcmpProbeLength)},
    {32793, "ICMP分析", "各ICMP包类型所占百分比", "", "显示各ICMP包类型所占百分比", 8, "", VIEW(OnIcmpTypeShare)},
    {32783, "ICMP分析", "显示数据库中所有ICMP数据", "显示ICMP表中所有数据", "", kNoButton, "", VIEW(OnIcmpShowAll)},

    {32784, "ARP分析", "选择要分析的数据库", "选择要分析的数据库", "", kNoButton, "", VIEW(OnSelectDatabase)},
    {32816, "ARP分析", "插入数据到IP-MAC映射表", "", "插入数据到IP-MAC表", 9, "", VIEW(OnInsertIpMac)},
    {32792, "ARP分析", "修改IP-MAC映射关系", "", "修改IP-MAC映射关系", 10, "", VIEW(OnModifyIpMac)},
    {32785, "ARP分析", "得到本网IP与MAC映射表", "", "得到本网IP与MAC映射表，提示MAC发生改变的IP", 11, "",
     VIEW(OnIpMacMap)},

    {32786, "IP流量分析", "选择要分析的数据库", "选择要分析的数据库", "", kNoButton, "", VIEW(OnSelectDatabase)},
    {32787, "IP流量分析", "目的IP流量统计", "", "目的IP流量统计", 12, "", VIEW(OnDestIpTraffic)},
    {32788, "IP流量分析", "TCP端端连接流量统计", "", "TCP端端流量统计", 13, "", VIEW(OnTcpPairTraffic)},
    {32789, "IP流量分析", "UDP端端连接流量统计", "", "UDP端端流量统计", 14, "", VIEW(OnUdpPairTraffic)},
    {32790, "IP流量分析", "局域网互访关系统计", "", "局域网互访关系统计", 15, "", VIEW(OnLanAccess)},

    {32794, "SYN分析", "选择要分析的数据库", "选择要分析的数据库", "", kNoButton, "", VIEW(OnSelectDatabase)},
    {32795, "SYN分析", "显示数据库中所有数据", "", "显示SYN表中所有数据", 16, "", VIEW(OnSynShowAll)},

    {ID_APP_ABOUT, "帮助(&H)", "关于 Trawler(&A)...", "显示程序信息，版本号和版权", "关于", 17, "",
     [](CommandTargets& t) { t.app->OnAppAbout(); }},
    {32820, "帮助(&H)", "帮助主题", "", "", kNoButton, "", VIEW(OnHelpTopics)},

    {ID_FILE_NEW, nullptr, "新建", "", "", kNoButton, "Ctrl+N", [](CommandTargets& t) { t.app->OnFileNew(); }},
    {ID_FILE_OPEN, nullptr, "打开", "", "", kNoButton, "Ctrl+O", [](CommandTargets& t) { t.app->OnFileOpen(); }},
    {ID_FILE_SAVE, nullptr, "保存", "", "", kNoButton, "Ctrl+S", [](CommandTargets& t) { t.app->OnFileSave(); }},
    {ID_CUSTOM_QUERY, nullptr, "开始查询", "", "", kNoButton, "", VIEW(OnCustomQuery)},
}};

#undef VIEW

const CommandInfo* findCommand(int id)
{
    for (const CommandInfo& c : kCommands)
        if (c.id == id)
            return &c;
    return nullptr;
}
