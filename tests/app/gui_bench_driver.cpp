// Drives the program through its heavy work for bench/gui-responsiveness.sh:
// every traffic report, a jump to the end of a long list, a heavy free query
// stopped after a while. Run under an X server; an expose probe measures how
// long the window goes without repainting meanwhile. Not a test.
//
//   trawler_gui_bench DATABASE
#include "app/CMainFrame.h"
#include "app/CTrawlerApp.h"
#include "app/CTrawlerView.h"
#include "capture/ScriptedPrompter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeView>

#include <cstdio>

namespace {

// Lets the program run for a while, as an operator watching it would.
void idle(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

void waitIdle(CTrawlerView* view, int limitMs)
{
    QElapsedTimer t;
    t.start();
    while (view->isBusy() && t.elapsed() < limitMs)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    std::printf("  done in %.2f s%s\n", t.elapsed() / 1000.0, view->isBusy() ? " (still busy)" : "");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DATABASE\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    ScriptedPrompter prompter;
    CTrawlerApp app(prompter);
    if (!app.InitInstance())
        return 1;
    CMainFrame* frame = app.mainFrame();
    CTrawlerView* view = app.view();
    idle(1500);
    prompter.answers = {QString::fromLocal8Bit(argv[1])};
    frame->routeCommand(32786); // choose the database
    const struct {
        int id;
        const char* name;
    } reports[] = {{32787, "dest-traffic"}, {32788, "tcp-pairs"}, {32789, "udp-pairs"}, {32790, "lan-access"},
                   {32779, "icmp-scanners"}, {32793, "icmp-type-share"}, {32783, "icmp-all"}};
    for (const auto& report : reports) {
        std::printf("%s\n", report.name);
        frame->routeCommand(report.id);
        waitIdle(view, 120000);
        idle(300);
    }
    // The last list (every ICMP row): straight to its end.
    if (QTreeView* list = view->reportList()) {
        std::printf("ctrl+end\n");
        list->setFocus();
        QTest::keyClick(list, Qt::Key_End, Qt::ControlModifier);
        waitIdle(view, 120000);
        idle(500);
    }
    // A self-join that would run for hours, stopped after three seconds.
    if (QPlainTextEdit* edit = view->queryEdit()) {
        std::printf("heavy free query, stopped\n");
        edit->setPlainText(QStringLiteral("select count(*) from ip a, ip b"));
        frame->routeCommand(2);
        idle(3000);
        view->cancelReport();
        idle(500);
    }
    for (const auto& shown : prompter.messages)
        std::printf("message: %s\n", shown.text.toLocal8Bit().constData());
    return 0;
}
