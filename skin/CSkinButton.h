#pragma once
#include <QPushButton>

// Push button with the skin's rounded outline and gradient face.
class CSkinButton : public QPushButton {
    Q_OBJECT
public:
    explicit CSkinButton(const QString& text, QWidget* parent = nullptr) : QPushButton(text, parent) {}
    explicit CSkinButton(QWidget* parent = nullptr) : QPushButton(parent) {}
};
