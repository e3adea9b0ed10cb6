#pragma once
// What the view's tests share: the whole program started with a scripted
// operator and a scratch capture database, and a pixel search on rendered
// images.
#include "ViewDatabase.h"
#include "capture/ScriptedPrompter.h"

#include "app/CMainFrame.h"
#include "app/CTrawlerApp.h"
#include "app/CTrawlerView.h"

#include <QColor>
#include <QImage>
#include <QObject>
#include <QRect>
#include <QTest>

#include <memory>

inline bool hasColour(const QImage& image, const QRect& area, const QColor& colour)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) == colour)
                return true;
    return false;
}

class ViewTestBase : public QObject {
protected:
    std::unique_ptr<ScriptedPrompter> m_prompter;
    std::unique_ptr<CTrawlerApp> m_app;
    std::unique_ptr<trawler::test::ViewDatabase> m_db;
    CMainFrame* m_frame = nullptr;
    CTrawlerView* m_view = nullptr;

    // Starts the program; with a command id, the operator then chooses the
    // scratch database through that menu item.
    void startProgram(int selectDatabaseCommand = 0)
    {
        m_prompter = std::make_unique<ScriptedPrompter>();
        m_app = std::make_unique<CTrawlerApp>(*m_prompter);
        QVERIFY(m_app->InitInstance());
        m_frame = m_app->mainFrame();
        m_view = m_app->view();
        m_db = std::make_unique<trawler::test::ViewDatabase>();
        if (selectDatabaseCommand) {
            m_prompter->answers = {m_db->qpath()};
            m_frame->routeCommand(selectDatabaseCommand);
            QCOMPARE(m_view->databasePath(), m_db->qpath());
        }
    }

    // Reports run on a worker: waits until the view has shown the outcome
    // and finished reading and counting rows.
    void waitIdle() { QTRY_VERIFY_WITH_TIMEOUT(!m_view->isBusy(), 20000); }

    void stopProgram()
    {
        m_app.reset();
        m_prompter.reset();
        m_db.reset();
    }
};
