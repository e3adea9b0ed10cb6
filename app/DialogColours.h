#pragma once
// Gives every dialog and message box of the program its background colour
// RGB(160, 180, 220) and black text, whoever creates it.
#include <QColor>
#include <QObject>

class DialogColours : public QObject {
    Q_OBJECT
public:
    static constexpr QRgb kBackground = 0xffa0b4dc; // RGB(160, 180, 220)

    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override;
};
