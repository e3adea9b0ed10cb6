#pragma once
// The font of the program's dialog templates: 9-point "宋体" (the desktop
// substitutes its own CJK face where that one is absent).
#include <QFont>

inline QFont dialogTemplateFont()
{
    QFont font(QStringLiteral("宋体"));
    font.setPointSize(9);
    return font;
}
