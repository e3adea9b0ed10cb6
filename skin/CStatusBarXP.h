#pragma once
#include <QStatusBar>

// The flat status bar of the main window.
class CStatusBarXP : public QStatusBar {
    Q_OBJECT
public:
    explicit CStatusBarXP(QWidget* parent = nullptr) : QStatusBar(parent) {}
};
