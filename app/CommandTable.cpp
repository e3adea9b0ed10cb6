#include "CommandTable.h"

#include "CTrawlerView.h"
#include "WatchController.h"

#include <QtGlobal>

namespace {
constexpr int kNoButton = -1;
}

const std::array<const char*, 9> kMenuTitles = {
    QT_TRANSLATE_NOOP("CommandTable", "文件(&F)"), QT_TRANSLATE_NOOP("CommandTable", "截包(&C)"),
    QT_TRANSLATE_NOOP("CommandTable", "解析(&P)"), QT_TRANSLATE_NOOP("CommandTable", "ICMP分析"),
    QT_TRANSLATE_NOOP("CommandTable", "ARP分析"),  QT_TRANSLATE_NOOP("CommandTable", "IP流量分析"),
    QT_TRANSLATE_NOOP("CommandTable", "SYN分析"),  QT_TRANSLATE_NOOP("CommandTable", "监视"),
    QT_TRANSLATE_NOOP("CommandTable", "帮助(&H)"),
};

// Handlers are plain functions so the table stays data; each forwards to
// the object that owns the command.
#define VIEW(fn) [](CommandTargets& t) { t.view->fn(); }

const std::array<CommandInfo, 35> kCommands = {{
    {ID_CREATE_MDB, QT_TRANSLATE_NOOP("CommandTable", "文件(&F)"), QT_TRANSLATE_NOOP("CommandTable", "建立mdb文件"),
     QT_TRANSLATE_NOOP("CommandTable", "建立新的MDB文件"), "", kNoButton, "", VIEW(OnCreateMdb)},
    {ID_INIT_MDB, QT_TRANSLATE_NOOP("CommandTable", "文件(&F)"), QT_TRANSLATE_NOOP("CommandTable", "初始化mdb文件"),
     QT_TRANSLATE_NOOP("CommandTable", "初始化MDB文件，在选定的mdb中建表"), "", kNoButton, "", VIEW(OnInitMdb)},
    {ID_EXPORT_REPORT, QT_TRANSLATE_NOOP("CommandTable", "文件(&F)"), QT_TRANSLATE_NOOP("CommandTable", "导出报表..."),
     QT_TRANSLATE_NOOP("CommandTable", "把显示的报表保存为CSV或HTML文件, 或把图表保存为SVG或PNG图片"), "", kNoButton, "",
     VIEW(OnExportReport)},
    {ID_APP_EXIT, QT_TRANSLATE_NOOP("CommandTable", "文件(&F)"), QT_TRANSLATE_NOOP("CommandTable", "退出(&X)"),
     QT_TRANSLATE_NOOP("CommandTable", "退出应用程序；提示保存文档"), QT_TRANSLATE_NOOP("CommandTable", "退出"),
     kNoButton, "", [](CommandTargets& t) { t.app->OnAppExit(); }},

    {ID_SET_SAVE_DIR, QT_TRANSLATE_NOOP("CommandTable", "截包(&C)"), QT_TRANSLATE_NOOP("CommandTable", "设置保存目录"), "",
     QT_TRANSLATE_NOOP("CommandTable", "设置CAP文件保存目录"), 0, "", VIEW(OnSetSaveDir)},
    {ID_CAPTURE_START, QT_TRANSLATE_NOOP("CommandTable", "截包(&C)"), QT_TRANSLATE_NOOP("CommandTable", "开始(&B)"), "",
     QT_TRANSLATE_NOOP("CommandTable", "开始截包"), 1, "", VIEW(OnCaptureStart)},
    {ID_CAPTURE_STOP, QT_TRANSLATE_NOOP("CommandTable", "截包(&C)"), QT_TRANSLATE_NOOP("CommandTable", "停止(&V)"), "",
     QT_TRANSLATE_NOOP("CommandTable", "停止截包"), 2, "", VIEW(OnCaptureStop)},

    {ID_PARSE, QT_TRANSLATE_NOOP("CommandTable", "解析(&P)"),
     QT_TRANSLATE_NOOP("CommandTable", "选择cap文件及数据库位置..."), "",
     QT_TRANSLATE_NOOP("CommandTable", "选择要解析的MDB文件以及存放位置"), 3, "", VIEW(OnParse)},

    {ID_SELECT_DB_ICMP, QT_TRANSLATE_NOOP("CommandTable", "ICMP分析"), QT_TRANSLATE_NOOP("CommandTable", "选择要分析的数据库"), "",
     QT_TRANSLATE_NOOP("CommandTable", "选择要分析的数据库"), 4, "", VIEW(OnSelectDatabase)},
    {ID_ICMP_SCANNERS, QT_TRANSLATE_NOOP("CommandTable", "ICMP分析"), QT_TRANSLATE_NOOP("CommandTable", "统计扫描者"), "",
     QT_TRANSLATE_NOOP("CommandTable", "统计ICMP扫描者"), 5, "", VIEW(OnIcmpScanners)},
    {ID_ICMP_SCANNED, QT_TRANSLATE_NOOP("CommandTable", "ICMP分析"), QT_TRANSLATE_NOOP("CommandTable", "统计被扫描者"), "",
     QT_TRANSLATE_NOOP("CommandTable", "统计ICMP被扫描者"), 6, "", VIEW(OnIcmpScanned)},
    {ID_ICMP_RELATIONS, QT_TRANSLATE_NOOP("CommandTable", "ICMP分析"), QT_TRANSLATE_NOOP("CommandTable", "统计扫描关系"), "",
     QT_TRANSLATE_NOOP("CommandTable", "统计ICMP扫描关系"), 7, "", VIEW(OnIcmpRelations)},
    {ID_ICMP_PROBE_LENGTH, QT_TRANSLATE_NOOP("CommandTable", "ICMP分析"),
     QT_TRANSLATE_NOOP("CommandTable", "扫描者所用ICMP数据包总长度"),
     QT_TRANSLATE_NOOP("CommandTable", "统计扫描者所用数据包长度"), "", kNoButton, "", VIEW(OnIcmpProbeLength)},
    {ID_ICMP_TYPE_SHARE, QT_TRANSLATE_NOOP("CommandTable", "ICMP分析"), QT_TRANSLATE_NOOP("CommandTable", "各ICMP包类型所占百分比"),
     "", QT_TRANSLATE_NOOP("CommandTable", "显示各ICMP包类型所占百分比"), 8, "", VIEW(OnIcmpTypeShare)},
    {ID_ICMP_SHOW_ALL, QT_TRANSLATE_NOOP("CommandTable", "ICMP分析"),
     QT_TRANSLATE_NOOP("CommandTable", "显示数据库中所有ICMP数据"),
     QT_TRANSLATE_NOOP("CommandTable", "显示ICMP表中所有数据"), "", kNoButton, "", VIEW(OnIcmpShowAll)},

    {ID_SELECT_DB_ARP, QT_TRANSLATE_NOOP("CommandTable", "ARP分析"), QT_TRANSLATE_NOOP("CommandTable", "选择要分析的数据库"),
     QT_TRANSLATE_NOOP("CommandTable", "选择要分析的数据库"), "", kNoButton, "", VIEW(OnSelectDatabase)},
    {ID_INSERT_IP_MAC, QT_TRANSLATE_NOOP("CommandTable", "ARP分析"), QT_TRANSLATE_NOOP("CommandTable", "插入数据到IP-MAC映射表"),
     "", QT_TRANSLATE_NOOP("CommandTable", "插入数据到IP-MAC表"), 9, "", VIEW(OnInsertIpMac)},
    {ID_MODIFY_IP_MAC, QT_TRANSLATE_NOOP("CommandTable", "ARP分析"), QT_TRANSLATE_NOOP("CommandTable", "修改IP-MAC映射关系"), "",
     QT_TRANSLATE_NOOP("CommandTable", "修改IP-MAC映射关系"), 10, "", VIEW(OnModifyIpMac)},
    {ID_IP_MAC_MAP, QT_TRANSLATE_NOOP("CommandTable", "ARP分析"), QT_TRANSLATE_NOOP("CommandTable", "得到本网IP与MAC映射表"),
     "", QT_TRANSLATE_NOOP("CommandTable", "得到本网IP与MAC映射表，提示MAC发生改变的IP"), 11, "", VIEW(OnIpMacMap)},

    {ID_SELECT_DB_IP, QT_TRANSLATE_NOOP("CommandTable", "IP流量分析"), QT_TRANSLATE_NOOP("CommandTable", "选择要分析的数据库"),
     QT_TRANSLATE_NOOP("CommandTable", "选择要分析的数据库"), "", kNoButton, "", VIEW(OnSelectDatabase)},
    {ID_DEST_IP_TRAFFIC, QT_TRANSLATE_NOOP("CommandTable", "IP流量分析"), QT_TRANSLATE_NOOP("CommandTable", "目的IP流量统计"), "",
     QT_TRANSLATE_NOOP("CommandTable", "目的IP流量统计"), 12, "", VIEW(OnDestIpTraffic)},
    {ID_TCP_PAIR_TRAFFIC, QT_TRANSLATE_NOOP("CommandTable", "IP流量分析"), QT_TRANSLATE_NOOP("CommandTable", "TCP端端连接流量统计"),
     "", QT_TRANSLATE_NOOP("CommandTable", "TCP端端流量统计"), 13, "", VIEW(OnTcpPairTraffic)},
    {ID_UDP_PAIR_TRAFFIC, QT_TRANSLATE_NOOP("CommandTable", "IP流量分析"), QT_TRANSLATE_NOOP("CommandTable", "UDP端端连接流量统计"),
     "", QT_TRANSLATE_NOOP("CommandTable", "UDP端端流量统计"), 14, "", VIEW(OnUdpPairTraffic)},
    {ID_LAN_ACCESS, QT_TRANSLATE_NOOP("CommandTable", "IP流量分析"), QT_TRANSLATE_NOOP("CommandTable", "局域网互访关系统计"),
     "", QT_TRANSLATE_NOOP("CommandTable", "局域网互访关系统计"), 15, "", VIEW(OnLanAccess)},

    {ID_SELECT_DB_SYN, QT_TRANSLATE_NOOP("CommandTable", "SYN分析"), QT_TRANSLATE_NOOP("CommandTable", "选择要分析的数据库"),
     QT_TRANSLATE_NOOP("CommandTable", "选择要分析的数据库"), "", kNoButton, "", VIEW(OnSelectDatabase)},
    {ID_SYN_SHOW_ALL, QT_TRANSLATE_NOOP("CommandTable", "SYN分析"), QT_TRANSLATE_NOOP("CommandTable", "显示数据库中所有数据"), "",
     QT_TRANSLATE_NOOP("CommandTable", "显示SYN表中所有数据"), 16, "", VIEW(OnSynShowAll)},

    {ID_WATCH_START, QT_TRANSLATE_NOOP("CommandTable", "监视"), QT_TRANSLATE_NOOP("CommandTable", "开始监视"),
     QT_TRANSLATE_NOOP("CommandTable", "截包到保存目录, 逐个解析进所选数据库并检查警报"), "", kNoButton, "",
     [](CommandTargets& t) { WatchController::of(*t.view).start(); }},
    {ID_WATCH_STOP, QT_TRANSLATE_NOOP("CommandTable", "监视"), QT_TRANSLATE_NOOP("CommandTable", "停止监视"),
     QT_TRANSLATE_NOOP("CommandTable", "停止监视; 正在写的文件解析完后结束"), "", kNoButton, "",
     [](CommandTargets& t) { WatchController::of(*t.view).stop(); }},
    {ID_WATCH_ALERTS, QT_TRANSLATE_NOOP("CommandTable", "监视"), QT_TRANSLATE_NOOP("CommandTable", "显示警报"),
     QT_TRANSLATE_NOOP("CommandTable", "显示所选数据库中的警报, 最新的在前"), "", kNoButton, "", VIEW(OnShowAlerts)},

    {ID_APP_ABOUT, QT_TRANSLATE_NOOP("CommandTable", "帮助(&H)"),
     QT_TRANSLATE_NOOP("CommandTable", "关于 Trawler(&A)..."),
     QT_TRANSLATE_NOOP("CommandTable", "显示程序信息，版本号和版权"), QT_TRANSLATE_NOOP("CommandTable", "关于"), 17, "",
     [](CommandTargets& t) { t.app->OnAppAbout(); }},
    {ID_HELP_TOPICS, QT_TRANSLATE_NOOP("CommandTable", "帮助(&H)"), QT_TRANSLATE_NOOP("CommandTable", "帮助主题"), "", "",
     kNoButton, "", VIEW(OnHelpTopics)},

    {ID_FILE_NEW, nullptr, QT_TRANSLATE_NOOP("CommandTable", "新建"), "", "", kNoButton, "Ctrl+N",
     [](CommandTargets& t) { t.app->OnFileNew(); }},
    {ID_FILE_OPEN, nullptr, QT_TRANSLATE_NOOP("CommandTable", "打开"), "", "", kNoButton, "Ctrl+O",
     [](CommandTargets& t) { t.app->OnFileOpen(); }},
    {ID_FILE_SAVE, nullptr, QT_TRANSLATE_NOOP("CommandTable", "保存"), "", "", kNoButton, "Ctrl+S",
     [](CommandTargets& t) { t.app->OnFileSave(); }},
    {ID_CUSTOM_QUERY, nullptr, QT_TRANSLATE_NOOP("CommandTable", "开始查询"), "", "", kNoButton, "",
     VIEW(OnCustomQuery)},
}};

#undef VIEW

const CommandInfo* findCommand(int id) {
    for (const CommandInfo& c : kCommands)
        if (c.id == id)
            return &c;
    return nullptr;
}
