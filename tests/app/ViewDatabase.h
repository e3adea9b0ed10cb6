#pragma once
// A scratch capture database for the view's tests; its name has a blank and
// Chinese characters, as an operator's file may.
#include "CaptureDatabase.h"

#include <QString>

namespace trawler::test {

class ViewDatabase : public CaptureDatabase {
public:
    ViewDatabase() : CaptureDatabase("capture 分析.mdb") {}
    QString qpath() const { return QString::fromStdString(path); }
};

} // namespace trawler::test
