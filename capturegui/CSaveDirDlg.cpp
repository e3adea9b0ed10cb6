#include "CSaveDirDlg.h"

#include "CaptureDialogStyle.h"
#include "skin/CSkinButton.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

CSaveDirDlg::CSaveDirDlg(QWidget* parent) : QDialog(parent), m_font(captureDialogFont())
{
    setWindowTitle(QStringLiteral("Dialog"));
    applyCaptureDialogBackground(*this);

    m_stPrompt = new QLabel(tr("输入要保存所得cap文件的目录:"), this);
    m_editDir = new QLineEdit(this);
    m_btnOk = new CSkinButton(tr("确定"), this);
    m_btnCancel = new CSkinButton(tr("取消"), this);
    m_btnOk->setDefault(true);
    for (QWidget* w : {static_cast<QWidget*>(m_stPrompt), static_cast<QWidget*>(m_btnOk),
                       static_cast<QWidget*>(m_btnCancel)})
        w->setFont(m_font);

    // Prompt and edit on the left, OK and Cancel stacked on the right.
    auto* grid = new QGridLayout(this);
    grid->addWidget(m_stPrompt, 0, 0);
    grid->addWidget(m_editDir, 1, 0);
    grid->addWidget(m_btnOk, 0, 1);
    grid->addWidget(m_btnCancel, 1, 1);
    grid->setColumnStretch(0, 1);
    resize(374, 92);

    connect(m_btnOk, &QPushButton::clicked, this, &CSaveDirDlg::accept);
    connect(m_btnCancel, &QPushButton::clicked, this, &CSaveDirDlg::reject);
}

void CSaveDirDlg::accept()
{
    m_strDir = m_editDir->text();
    QDialog::accept();
}
