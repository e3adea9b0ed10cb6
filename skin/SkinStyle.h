#pragma once
class QApplication;

namespace skin {
// Installs the window skin (style, palette) on the application.
void installSkin(QApplication& app);
}
