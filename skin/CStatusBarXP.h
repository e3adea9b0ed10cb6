#pragma once
#include <QStatusBar>

class QLabel;

// The flat status bar of the main window: at least 20 pixels high, every
// pane outlined with a 1-pixel line in the button-shadow colour.
class CStatusBarXP : public QStatusBar {
    Q_OBJECT
public:
    explicit CStatusBarXP(QWidget* parent = nullptr);

    static constexpr int kMinimumHeight = 20;

    // Adds one borderless pane per text at the right (the indicator panes),
    // each as wide as its text; returns the panes in order.
    QList<QLabel*> setIndicators(const QStringList& texts);
    QList<QLabel*> indicators() const { return m_indicators; }

    // Outline of a pane widget: 2 pixels left and 1 pixel above and right
    // and below it, within the bar.
    QRect paneOutline(const QWidget* pane) const;
    // Rectangle of the message pane: from the left edge to the first pane.
    QRect messagePaneRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<QLabel*> m_indicators;
};
