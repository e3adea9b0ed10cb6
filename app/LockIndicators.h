#pragma once
// The keyboard's lock states for the status bar's 大写 数字 滚动 panes, where
// the window system tells them (X11's keyboard extension); elsewhere they
// are unknown and the panes stand greyed.
#include <QList>

#include <optional>

class QLabel;

struct LockStates {
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

// The current states, or nullopt where the platform does not report them.
std::optional<LockStates> readLockStates();

// Shows states on the three panes (caps, num, scroll): a lock that is on
// reads normally, one that is off or unknown is greyed.
void showLockStates(const QList<QLabel*>& panes, const std::optional<LockStates>& states);
