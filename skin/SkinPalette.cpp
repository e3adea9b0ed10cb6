#include "SkinPalette.h"

#include <QFontMetrics>
#include <QGuiApplication>

namespace skin {

SystemColours SystemColours::from(const QPalette& p)
{
    SystemColours c;
    c.window = toRgb(p.color(QPalette::Active, QPalette::Base));
    c.menu = toRgb(p.color(QPalette::Active, QPalette::Button));
    c.face = c.menu;
    c.highlight = toRgb(p.color(QPalette::Active, QPalette::Highlight));
    c.greyText = toRgb(p.color(QPalette::Disabled, QPalette::Text));
    c.menuText = toRgb(p.color(QPalette::Active, QPalette::ButtonText));
    c.shadow = toRgb(p.color(QPalette::Active, QPalette::Dark));
    c.hilite = toRgb(p.color(QPalette::Active, QPalette::Light));
    c.caption = c.highlight;
    c.captionText = toRgb(p.color(QPalette::Active, QPalette::HighlightedText));
    return c;
}

QPalette skinPalette()
{
    const QColor face(236, 238, 243);
    const QColor shadow(160, 164, 176);
    const QColor grey(150, 152, 160);
    QPalette p(face);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(group, QPalette::Window, face);
        p.setColor(group, QPalette::Button, face);
        p.setColor(group, QPalette::Base, Qt::white);
        p.setColor(group, QPalette::AlternateBase, QColor(246, 247, 250));
        p.setColor(group, QPalette::Light, Qt::white);
        p.setColor(group, QPalette::Midlight, QColor(246, 247, 250));
        p.setColor(group, QPalette::Mid, QColor(200, 203, 212));
        p.setColor(group, QPalette::Dark, shadow);
        p.setColor(group, QPalette::Shadow, QColor(64, 64, 64));
        p.setColor(group, QPalette::Highlight, QColor(49, 106, 197));
        p.setColor(group, QPalette::HighlightedText, Qt::white);
        p.setColor(group, QPalette::ToolTipBase, QColor(255, 255, 225));
        p.setColor(group, QPalette::ToolTipText, Qt::black);
        const QColor text = group == QPalette::Disabled ? grey : QColor(Qt::black);
        p.setColor(group, QPalette::WindowText, text);
        p.setColor(group, QPalette::Text, text);
        p.setColor(group, QPalette::ButtonText, text);
    }
    return p;
}

bool systemDrawsMenuShadows()
{
    // X11 without a compositor (and the offscreen platform) draw none; a
    // Wayland compositor forbids reading the screen, so the skin cannot.
    return QGuiApplication::platformName() == QLatin1String("wayland");
}

int systemMenuHeight(const QFontMetrics& fm)
{
    return fm.height() + 6;
}

} // namespace skin
