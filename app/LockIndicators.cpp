#include "LockIndicators.h"

#include <QGuiApplication>
#include <QLabel>

#ifdef TRAWLER_HAVE_X11
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#endif

namespace {

#ifdef TRAWLER_HAVE_X11
// A connection of our own to the display the program runs on, opened once;
// only XKB's indicator state is read through it.
Display* lockDisplay()
{
    static Display* display = [] {
        return QGuiApplication::platformName() == QLatin1String("xcb") ? XOpenDisplay(nullptr) : nullptr;
    }();
    return display;
}

bool namedIndicator(Display* display, const char* name)
{
    const Atom atom = XInternAtom(display, name, True);
    Bool on = False;
    return atom != None && XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr) && on;
}
#endif

} // namespace

std::optional<LockStates> readLockStates()
{
#ifdef TRAWLER_HAVE_X11
    if (Display* display = lockDisplay()) {
        LockStates states;
        states.caps = namedIndicator(display, "Caps Lock");
        states.num = namedIndicator(display, "Num Lock");
        states.scroll = namedIndicator(display, "Scroll Lock");
        return states;
    }
#endif
    return std::nullopt;
}

void showLockStates(const QList<QLabel*>& panes, const std::optional<LockStates>& states)
{
    const bool on[3] = {states && states->caps, states && states->num, states && states->scroll};
    for (int i = 0; i < panes.size() && i < 3; ++i) {
        panes[i]->setEnabled(on[i]);
        panes[i]->setToolTip(states ? QString() : QObject::tr("此平台不提供键盘锁定状态"));
    }
}
