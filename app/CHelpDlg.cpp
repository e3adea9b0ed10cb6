#include "CHelpDlg.h"

#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

CHelpDlg::CHelpDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("帮助主题"));
    setModal(false);
    m_browser = new QTextBrowser(this);
    m_browser->setOpenExternalLinks(false);
    m_browser->setSource(QUrl(QString::fromLatin1(kManual)));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    resize(640, 520);
}
