#pragma once
#include <QPushButton>

// Push button with the skin's rounded outline and a 64-colour vertical
// gradient face; orange inner edges while the mouse is over it, blue ones
// while it has the keyboard focus; the caption moves 1 pixel right and down
// while pressed and is embossed when the button is disabled.
class CSkinButton : public QPushButton {
    Q_OBJECT
public:
    explicit CSkinButton(const QString& text, QWidget* parent = nullptr);
    explicit CSkinButton(QWidget* parent = nullptr);

    bool isHovered() const { return m_bHover; }
    bool isTracking() const { return m_bTracking; }
    // "Lit": focused, pressed or the default button.
    bool isLit() const;

    // The system edge: the face lies this far inside the outline.
    static constexpr int kEdge = 2;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void startHover();

    bool m_bHover = false;
    bool m_bTracking = false;
};
