// Renders the main window showing the destination-traffic report with its
// chart over a given database, for the documentation:
//   report_screenshot DATABASE OUTPUT.png
// The operator's choice of the database is scripted; nothing else differs
// from the program.
#include "capture/ScriptedPrompter.h"

#include "app/CMainFrame.h"
#include "app/CTrawlerApp.h"
#include "skin/SkinStyle.h"

#include <QApplication>
#include <QPixmap>
#include <QThread>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    skin::installSkin(application);
    if (argc != 3) {
        std::fprintf(stderr, "usage: report_screenshot DATABASE OUTPUT.png\n");
        return 2;
    }
    ScriptedPrompter prompter;
    CTrawlerApp app(prompter);
    if (!app.InitInstance())
        return 1;
    prompter.answers = {QString::fromLocal8Bit(argv[1])};
    CMainFrame* frame = app.mainFrame();
    frame->routeCommand(32786); // IP流量分析 / 选择要分析的数据库
    frame->routeCommand(32787); // 目的IP流量统计
    for (const auto& shown : prompter.messages)
        std::fprintf(stderr, "message: %s\n", shown.text.toLocal8Bit().constData());
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
    return frame->grab().save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
