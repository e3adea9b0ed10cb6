#pragma once
// Start-up of the desktop program: settings, the document, the main frame
// with its view; the About command and the document's own commands.
#include <QString>
#include <QStringList>

#include <memory>

#include "CommandTable.h"

class CMainFrame;
class CTrawlerDoc;
class CTrawlerView;
class DialogColours;
class Prompter;

class CTrawlerApp : public AppCommands {
public:
    static constexpr char kOrganization[] = "Local AppWizard-Generated Applications";
    static constexpr char kWindowTitle[] = "Trawler-拖网渔船";
    static constexpr char kDocumentFilter[] = "*.trw(trawler files)";

    // A QApplication must exist already; the skin is installed on it before.
    explicit CTrawlerApp(Prompter& prompter);
    ~CTrawlerApp();

    // Builds and shows the main window. arguments: the command line after
    // the program name; a document file named there is opened. False when
    // start-up fails (the program then ends without a window).
    bool InitInstance(const QStringList& arguments = {});

    CMainFrame* mainFrame() const { return m_frame.get(); }
    CTrawlerView* view() const { return m_view; }
    CTrawlerDoc* document() const { return m_doc.get(); }

    void OnAppAbout() override;
    void OnAppExit() override;
    void OnFileNew() override;
    void OnFileOpen() override;
    void OnFileSave() override;
    bool OpenDocumentFile(const QString& path);

private:
    Prompter& m_prompter;
    std::unique_ptr<DialogColours> m_dialogColours;
    std::unique_ptr<CTrawlerDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
    CTrawlerView* m_view = nullptr; // owned by the frame
};
