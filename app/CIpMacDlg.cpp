#include "CIpMacDlg.h"

#include "DialogFont.h"

#include "skin/CSkinButton.h"

#include <QLabel>
#include <QLineEdit>

#include <cmath>

QRect CIpMacDlg::fromUnits(int x, int y, int width, int height)
{
    const auto px = [](int units) { return int(std::lround(units * kUnit)); };
    return QRect(px(x), px(y), px(width), px(height));
}

CIpMacDlg::CIpMacDlg(const QString& sampleIp, const QString& sampleMac, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Dialog"));
    setFont(dialogTemplateFont());
    setFixedSize(fromUnits(0, 0, 188, 53).size());

    auto* ipLabel = new QLabel(tr("IP地址:"), this);
    ipLabel->setObjectName(QStringLiteral("1006"));
    ipLabel->setGeometry(fromUnits(7, 7, 29, 8).adjusted(0, -2, 0, 2));
    auto* macLabel = new QLabel(tr("MAC地址:"), this);
    macLabel->setObjectName(QStringLiteral("1007"));
    macLabel->setGeometry(fromUnits(7, 29, 34, 8).adjusted(0, -2, 0, 2));

    m_editIp = new QLineEdit(sampleIp, this);
    m_editIp->setObjectName(QStringLiteral("1017"));
    m_editIp->setGeometry(fromUnits(43, 5, 109, 12));
    m_editMac = new QLineEdit(sampleMac, this);
    m_editMac->setObjectName(QStringLiteral("1019"));
    m_editMac->setGeometry(fromUnits(43, 27, 109, 12));

    m_btnOk = new CSkinButton(tr("确定"), this);
    m_btnOk->setGeometry(fromUnits(160, 4, 21, 14));
    m_btnOk->setDefault(true);
    m_btnCancel = new CSkinButton(tr("取消"), this);
    m_btnCancel->setGeometry(fromUnits(160, 26, 21, 14));

    connect(m_btnOk, &QPushButton::clicked, this, &CIpMacDlg::accept);
    connect(m_btnCancel, &QPushButton::clicked, this, &CIpMacDlg::reject);
    m_editIp->setFocus();
}

void CIpMacDlg::accept()
{
    ControlId bad = kIpEdit;
    for (QLineEdit* edit : {m_editIp, m_editMac})
        edit->setPalette(palette());
    m_marked = 0;
    if (m_check && !m_check(m_editIp->text(), m_editMac->text(), bad)) {
        // Both texts stay; the field at fault is marked and selected.
        QLineEdit* edit = bad == kMacEdit ? m_editMac : m_editIp;
        QPalette marked = edit->palette();
        marked.setColor(QPalette::Base, QColor(255, 220, 220));
        edit->setPalette(marked);
        edit->setFocus();
        edit->selectAll();
        m_marked = bad;
        return;
    }
    m_strIp = m_editIp->text();
    m_strMac = m_editMac->text();
    QDialog::accept();
}
