#include "CAboutDlg.h"

#include "DialogFont.h"

#include "skin/CSkinButton.h"

#include <QLabel>

namespace {
// 235 by 55 dialog units of a 9-point font: 1.5 pixels across, 1.5 down.
QRect units(int x, int y, int w, int h)
{
    return QRect(x * 3 / 2, y * 3 / 2, w * 3 / 2, h * 3 / 2);
}
} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent), m_btnOk(new CSkinButton(tr("确定"), this))
{
    setWindowTitle(tr("关于 Trawler"));
    setFont(dialogTemplateFont());
    setFixedSize(units(0, 0, 235, 55).size());

    auto* icon = new QLabel(this);
    icon->setPixmap(QPixmap(QStringLiteral(":/trawler-32.png")));
    icon->setGeometry(units(11, 14, 21, 21));

    auto* version = new QLabel(tr("Trawler 0.99 版"), this);
    version->setObjectName(QStringLiteral("version"));
    version->setGeometry(units(40, 10, 119, 12));

    auto* credit = new QLabel(tr("版权所有 (C) 2004 Trawler 开发组"), this);
    credit->setObjectName(QStringLiteral("credit"));
    credit->setGeometry(units(40, 28, 188, 12));

    m_btnOk->setObjectName(QStringLiteral("IDOK"));
    m_btnOk->setGeometry(units(178, 7, 50, 14));
    m_btnOk->setDefault(true);
    connect(m_btnOk, &QPushButton::clicked, this, &QDialog::accept);
}
