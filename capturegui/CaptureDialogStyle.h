#pragma once
// Look shared by the capture dialogs: their background colour and the font of
// their labels and buttons.
#include <QColor>
#include <QDialog>
#include <QFont>
#include <QPalette>

inline QFont captureDialogFont()
{
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(15);
    return font;
}

inline void applyCaptureDialogBackground(QDialog& dialog)
{
    QPalette palette = dialog.palette();
    palette.setColor(QPalette::Window, QColor(160, 180, 220));
    dialog.setPalette(palette);
    dialog.setAutoFillBackground(true);
}
