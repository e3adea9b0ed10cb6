#pragma once
#include <QToolBar>

// The flat toolbar of the main window.
class CToolBarXP : public QToolBar {
    Q_OBJECT
public:
    explicit CToolBarXP(QWidget* parent = nullptr) : QToolBar(parent) {}
};
