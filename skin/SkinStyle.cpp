#include "SkinStyle.h"

#include <QApplication>

namespace skin {
void installSkin(QApplication&) {}
}
