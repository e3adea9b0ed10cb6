#pragma once
// How a widget hands a command on without knowing who receives it: the view's
// own controls (the query panel's button) send their command ids here, and
// the main window routes them as it routes its menus.
#include <QString>

class CommandRouter {
public:
    virtual ~CommandRouter() = default;
    // Sends a command to its handler; false for an unknown id.
    virtual bool routeCommand(int id) = 0;
    // The command's menu text, translated; empty for an unknown id.
    virtual QString commandText(int id) const = 0;
};
