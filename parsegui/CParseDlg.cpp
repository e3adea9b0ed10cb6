#include "CParseDlg.h"

#include "prompt/FileChoice.h"

#include "prompt/Prompter.h"

#include "skin/CSkinButton.h"

#include <QLabel>
#include <QLineEdit>

namespace {
// The dialog's layout in dialog units of its 10-point font, two pixels each.
constexpr int kUnit = 2;
QRect units(int x, int y, int w, int h)
{
    return QRect(x * kUnit, y * kUnit, w * kUnit, h * kUnit);
}
} // namespace

CParseDlg::CParseDlg(Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_prompter(prompter), m_labelCap(new QLabel(tr("要解析的CAP文件位置:"), this)),
      m_labelMdb(new QLabel(tr("要存放的MDB文件位置:"), this)), m_editCap(new QLineEdit(this)),
      m_editMdb(new QLineEdit(this)), m_btnBrowseCap(new CSkinButton(tr("浏览..."), this)),
      m_btnBrowseMdb(new CSkinButton(tr("浏览..."), this)),
      m_btnOk(new CSkinButton(tr("开始解析"), this)),
      m_btnCancel(new CSkinButton(tr("取消"), this))
{
    setWindowTitle(QStringLiteral("Dialog"));
    setFixedSize(259 * kUnit, 61 * kUnit);

    m_labelCap->setObjectName("1006");
    m_labelMdb->setObjectName("1007");
    m_editCap->setObjectName("1012");
    m_editMdb->setObjectName("1013");
    m_btnBrowseCap->setObjectName("1014");
    m_btnBrowseMdb->setObjectName("1015");
    m_btnOk->setObjectName("IDOK");
    m_btnCancel->setObjectName("IDCANCEL");

    m_labelCap->setGeometry(units(7, 9, 80, 10));
    m_editCap->setGeometry(units(88, 7, 118, 13));
    m_btnBrowseCap->setGeometry(units(210, 7, 42, 13));
    m_labelMdb->setGeometry(units(7, 26, 80, 10));
    m_editMdb->setGeometry(units(88, 24, 118, 13));
    m_btnBrowseMdb->setGeometry(units(210, 24, 42, 13));
    m_btnOk->setGeometry(units(7, 42, 50, 14));
    m_btnCancel->setGeometry(units(202, 42, 50, 14));

    m_font.setFamily(QStringLiteral("Times New Roman"));
    m_font.setPixelSize(15);
    for (QWidget* w : std::initializer_list<QWidget*>{m_labelCap, m_labelMdb, m_btnOk, m_btnCancel, m_btnBrowseCap,
                                                      m_btnBrowseMdb})
        w->setFont(m_font);

    m_btnOk->setDefault(true);
    m_btnOk->setAutoDefault(true);
    m_btnBrowseCap->setAutoDefault(false);
    m_btnBrowseMdb->setAutoDefault(false);
    m_btnCancel->setAutoDefault(false);

    m_editCap->clear();
    m_editMdb->clear();

    connect(m_btnBrowseCap, &QPushButton::clicked, this, &CParseDlg::OnBrowseCap);
    connect(m_btnBrowseMdb, &QPushButton::clicked, this, &CParseDlg::OnBrowseMdb);
    connect(m_btnOk, &QPushButton::clicked, this, &CParseDlg::accept);
    connect(m_btnCancel, &QPushButton::clicked, this, &CParseDlg::reject);
}

void CParseDlg::OnBrowseCap()
{
    browse(m_szCapFileName, patternIn(m_captureDir, QStringLiteral("*.cap")), tr("选择要解析的cap文件"),
           captureFileFilter(), m_editCap);
}

void CParseDlg::OnBrowseMdb()
{
    browse(m_szMdbFileName, QStringLiteral("*.mdb"), tr("选择要存储的mdb文件"),
           databaseFileFilter(QStringLiteral("Microsoft Access Files(*.mdb)")), m_editMdb);
}

void CParseDlg::browse(QString& buffer, const QString& pattern, const QString& title, const QString& filter,
                       QLineEdit* target)
{
    buffer = pattern;
    const QString chosen = m_prompter.openFileName(this, title, buffer, filter);
    if (chosen.isEmpty()) {
        // The edit keeps its text and the dialog stays open.
        m_prompter.message(this, kAppTitle, QStringLiteral("Please select a file."));
        return;
    }
    buffer = chosen;
    target->setText(chosen);
}

void CParseDlg::accept()
{
    m_strCapPath = m_editCap->text();
    m_strMdbPath = withDatabaseExtension(m_editMdb->text());
    QDialog::accept();
}
