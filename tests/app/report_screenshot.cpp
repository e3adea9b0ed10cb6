// Renders the documentation's screenshots:
//   report_screenshot DATABASE OUTPUT.png             the destination-traffic report with its chart
//   report_screenshot --english DATABASE OUTPUT.png   the same under an English UI language
//   report_screenshot --file-dialog DIR OUTPUT.png    the Chinese capture-file chooser in DIR
// The operator's choice of the database is scripted; nothing else differs
// from the program.
#include "capture/ScriptedPrompter.h"
#include "prompt/FileChoice.h"

#include "app/CMainFrame.h"
#include "app/CTrawlerApp.h"
#include "app/CTrawlerView.h"
#include "app/Language.h"
#include "skin/SkinStyle.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QPixmap>
#include <QThread>

#include <cstdio>

namespace {

void settle(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    skin::installSkin(application);
    QStringList args = QApplication::arguments().mid(1);
    QString mode;
    if (!args.isEmpty() && args.first().startsWith("--"))
        mode = args.takeFirst();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: report_screenshot [--english | --file-dialog] DATABASE|DIR OUTPUT.png\n");
        return 2;
    }
    installTranslations(application, mode == "--english" ? UiLanguage::English : UiLanguage::Chinese);
    if (mode == "--file-dialog") {
        QFileDialog dialog(nullptr, QObject::tr("选择要解析的cap文件"), args[0], captureFileFilter());
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.resize(640, 420);
        dialog.show();
        settle(800);
        return dialog.grab().save(args[1]) ? 0 : 1;
    }
    ScriptedPrompter prompter;
    CTrawlerApp app(prompter);
    if (!app.InitInstance())
        return 1;
    prompter.answers = {args[0]};
    CMainFrame* frame = app.mainFrame();
    frame->routeCommand(32786); // IP流量分析 / 选择要分析的数据库
    frame->routeCommand(32787); // 目的IP流量统计
    QElapsedTimer t;
    t.start();
    while (app.view()->isBusy() && t.elapsed() < 60000)
        settle(50);
    settle(400);
    for (const auto& shown : prompter.messages)
        std::fprintf(stderr, "message: %s\n", shown.text.toLocal8Bit().constData());
    return frame->grab().save(args[1]) ? 0 : 1;
}
