#pragma once
// The one table of the program's commands. The menu bar, the toolbar, the
// status-bar prompts, the tooltips and the routing of every command to its
// handler are all built from it.
#include <array>

class CTrawlerApp;
class CTrawlerView;
class CMainFrame;

// Framework command ids kept from the resource scripts.
constexpr int ID_APP_EXIT = 57665;
constexpr int ID_APP_ABOUT = 57664;
constexpr int ID_FILE_NEW = 57600;
constexpr int ID_FILE_OPEN = 57601;
constexpr int ID_FILE_SAVE = 57603;
// 文件 → 导出报表...
constexpr int ID_EXPORT_REPORT = 32830;
// The query panel's button carries the free query's command id.
constexpr int ID_CUSTOM_QUERY = 2;
// 监视 → 开始监视, 停止监视, 显示警报.
constexpr int ID_WATCH_START = 32840;
constexpr int ID_WATCH_STOP = 32841;
constexpr int ID_WATCH_ALERTS = 32842;

// Who receives a command when it is routed.
struct CommandTargets {
    CTrawlerApp* app = nullptr;
    CMainFrame* frame = nullptr;
    CTrawlerView* view = nullptr;
};

struct CommandInfo {
    int id;
    const char* menu;    // UTF-8 title of the menu that lists it; nullptr: no menu item
    const char* text;    // menu item (or control) text
    const char* prompt;  // status-bar prompt shown on hover; "" for none
    const char* tip;     // toolbar tooltip; "" for none
    int toolbarPos;      // position on the toolbar, -1 when it has no button
    const char* shortcut; // key sequence ("Ctrl+N"), "" for none
    void (*handler)(CommandTargets&);
};

// The menus of the menu bar, left to right.
extern const std::array<const char*, 9> kMenuTitles;
// Every command, menu by menu in menu order, then the commands without a
// menu item (the document accelerators and the query panel's button).
extern const std::array<CommandInfo, 35> kCommands;
// Number of toolbar buttons; each toolbarPos in [0, kToolbarButtons) is used once.
constexpr int kToolbarButtons = 18;

// The entry of a command id, nullptr when there is none.
const CommandInfo* findCommand(int id);
