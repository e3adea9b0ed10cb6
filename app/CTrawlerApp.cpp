#include "CTrawlerApp.h"

#include "CAboutDlg.h"
#include "CMainFrame.h"
#include "CTrawlerDoc.h"
#include "CTrawlerView.h"
#include "DialogColours.h"

#include "parsegui/ParseLauncher.h"
#include "prompt/Prompter.h"

#include <QApplication>
#include <QIcon>

CTrawlerApp::CTrawlerApp(Prompter& prompter) : m_prompter(prompter) {}

CTrawlerApp::~CTrawlerApp()
{
    // The frame goes first: its view waits for running parses to end.
    m_frame.reset();
    if (m_dialogColours)
        qApp->removeEventFilter(m_dialogColours.get());
}

bool CTrawlerApp::InitInstance(const QStringList& arguments)
{
    m_dialogColours = std::make_unique<DialogColours>();
    qApp->installEventFilter(m_dialogColours.get());

    // The framework's settings key; the program itself stores nothing and
    // keeps no list of recent files.
    QCoreApplication::setOrganizationName(QString::fromUtf8(kOrganization));
    QCoreApplication::setApplicationName(QStringLiteral("Trawler"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/trawler-32.png")));

    m_doc = std::make_unique<CTrawlerDoc>();
    m_frame = std::make_unique<CMainFrame>();
    m_view = new CTrawlerView(m_prompter, m_frame.get());
    CommandTargets targets;
    targets.app = this;
    targets.view = m_view;
    if (!m_frame->create(m_view, targets)) {
        m_frame.reset();
        m_view = nullptr;
        return false;
    }

    CMainFrame* frame = m_frame.get();
    ParseLauncher& launcher = m_view->parseLauncher();
    QObject::connect(&launcher, &ParseLauncher::runStarted, frame,
                     [frame](int id, const QString& file) { frame->showParseProgress(id, file, 0); });
    QObject::connect(&launcher, &ParseLauncher::runProgress, frame,
                     [frame](int id, int percent) { frame->showParseProgress(id, QString(), percent); });
    QObject::connect(&launcher, &ParseLauncher::runWaiting, frame,
                     [frame](int id, bool waiting) { frame->showParseWaiting(id, waiting); });
    QObject::connect(&launcher, &ParseLauncher::runFinished, frame, [frame](int id, int) { frame->endParseProgress(id); });
    frame->setFileDropHandler([this](const QString& path) { OpenDocumentFile(path); });

    // The command line: a document to open, or a new empty one.
    QString document;
    for (const QString& argument : arguments)
        if (!argument.startsWith(QLatin1Char('-'))) {
            document = argument;
            break;
        }
    if (document.isEmpty())
        m_doc->OnNewDocument();
    else if (!OpenDocumentFile(document))
        return false;

    frame->setWindowTitle(QString::fromUtf8(kWindowTitle));
    frame->show();
    return true;
}

void CTrawlerApp::OnAppAbout()
{
    CAboutDlg about(m_frame.get());
    m_prompter.exec(about);
}

void CTrawlerApp::OnAppExit()
{
    m_frame->OnAppExit();
}

void CTrawlerApp::OnFileNew()
{
    m_doc->OnNewDocument();
}

void CTrawlerApp::OnFileOpen()
{
    const QString path = m_prompter.openFileName(m_frame.get(), QStringLiteral("打开"), QStringLiteral("*.trw"),
                                                 QString::fromUtf8(kDocumentFilter));
    if (!path.isEmpty())
        OpenDocumentFile(path);
}

bool CTrawlerApp::OpenDocumentFile(const QString& path)
{
    QString error;
    if (m_doc->OnOpenDocument(path, &error))
        return true;
    m_prompter.message(m_frame.get(), kAppTitle, error);
    return false;
}

void CTrawlerApp::OnFileSave()
{
    QString path = m_doc->pathName();
    if (path.isEmpty()) {
        path = m_prompter.saveFileName(m_frame.get(), QStringLiteral("另存为"), QStringLiteral("trw.trw"),
                                       QString::fromUtf8(kDocumentFilter));
        if (path.isEmpty())
            return;
    }
    QString error;
    if (!m_doc->OnSaveDocument(path, &error))
        m_prompter.message(m_frame.get(), kAppTitle, error);
}
