#pragma once
// Every command id of the program, in one place. The ids are those of the
// resource scripts the menus were first drawn in; the command table, the
// report layouts and the controls that send a command all use these names.

// Framework commands.
constexpr int ID_APP_EXIT = 57665;
constexpr int ID_APP_ABOUT = 57664;
constexpr int ID_FILE_NEW = 57600;
constexpr int ID_FILE_OPEN = 57601;
constexpr int ID_FILE_SAVE = 57603;
// 文件
constexpr int ID_CREATE_MDB = 32775;
constexpr int ID_INIT_MDB = 32776;
constexpr int ID_EXPORT_REPORT = 32830;
// 截包, 解析
constexpr int ID_SET_SAVE_DIR = 32777;
constexpr int ID_CAPTURE_START = 32772;
constexpr int ID_CAPTURE_STOP = 32773;
constexpr int ID_PARSE = 32774;
// 选择要分析的数据库: one command per analysis menu.
constexpr int ID_SELECT_DB_ICMP = 32778;
constexpr int ID_SELECT_DB_ARP = 32784;
constexpr int ID_SELECT_DB_IP = 32786;
constexpr int ID_SELECT_DB_SYN = 32794;
// The fixed reports.
constexpr int ID_ICMP_SCANNERS = 32779;
constexpr int ID_ICMP_SCANNED = 32780;
constexpr int ID_ICMP_RELATIONS = 32781;
constexpr int ID_ICMP_PROBE_LENGTH = 32782;
constexpr int ID_ICMP_SHOW_ALL = 32783;
constexpr int ID_ICMP_TYPE_SHARE = 32793;
constexpr int ID_IP_MAC_MAP = 32785;
constexpr int ID_DEST_IP_TRAFFIC = 32787;
constexpr int ID_TCP_PAIR_TRAFFIC = 32788;
constexpr int ID_UDP_PAIR_TRAFFIC = 32789;
constexpr int ID_LAN_ACCESS = 32790;
constexpr int ID_SYN_SHOW_ALL = 32795;
// IP-MAC maintenance.
constexpr int ID_INSERT_IP_MAC = 32816;
constexpr int ID_MODIFY_IP_MAC = 32792;
// 监视 → 开始监视, 停止监视, 显示警报.
constexpr int ID_WATCH_START = 32840;
constexpr int ID_WATCH_STOP = 32841;
constexpr int ID_WATCH_ALERTS = 32842;
// 帮助 → 帮助主题
constexpr int ID_HELP_TOPICS = 32820;
// The query panel's button carries the free query's command id.
constexpr int ID_CUSTOM_QUERY = 2;
