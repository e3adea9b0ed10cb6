#pragma once
// The one table of the program's commands. The menu bar, the toolbar, the
// status-bar prompts, the tooltips and the routing of every command to its
// handler are all built from it.
#include <array>

#include "CommandIds.h"

class CTrawlerView;

// The commands the program itself answers (the document's, About and Exit);
// the application implements them.
class AppCommands {
public:
    virtual void OnAppAbout() = 0;
    virtual void OnAppExit() = 0;
    virtual void OnFileNew() = 0;
    virtual void OnFileOpen() = 0;
    virtual void OnFileSave() = 0;

protected:
    ~AppCommands() = default;
};

// Who receives a command when it is routed.
struct CommandTargets {
    AppCommands* app = nullptr;
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
