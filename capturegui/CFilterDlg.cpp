#include "CFilterDlg.h"

#include "CaptureDialogStyle.h"
#include "skin/CSkinButton.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

struct FixedFilter {
    int id;
    const char* shown; // "&&" shows as one ampersand
    const char* filter;
};

// Radio buttons in the order OK tests them; the last one takes the edit's text.
const FixedFilter kRadios[] = {
    {CFilterDlg::kArpRarp, "ARP&&RARP", "arp or rarp"},
    {CFilterDlg::kIcmp, "ICMP", "icmp"},
    {CFilterDlg::kIp, "IP", "ip"},
    {CFilterDlg::kCustom, "自定义", nullptr},
};

const char kExplanation[] =
    "在此可输入自定义的截包过滤条件, 须符合BPF过滤语法. 常用关键字: 'host foo', 'net 128.3', "
    "'port 20', 'net src 192.168.0' (本局域网的网络前缀), 'net dst', 'tcp', 'udp'. "
    "多个条件用 'not', 'and', 'or' 连接. 完整的语法见 libpcap 的 pcap-filter(7) 手册.";

} // namespace

CFilterDlg::CFilterDlg(QWidget* parent) : QDialog(parent), m_font(captureDialogFont())
{
    setWindowTitle(QStringLiteral("Dialog"));
    applyCaptureDialogBackground(*this);

    auto* choose = new QGroupBox(tr("设置过滤条件"), this); // 1006
    auto* radioGrid = new QGridLayout(choose);
    m_radios = new QButtonGroup(this);
    int position = 0;
    for (const FixedFilter& radio : kRadios) {
        auto* button = new QRadioButton(QString::fromUtf8(radio.shown), choose);
        button->setFont(m_font);
        m_radios->addButton(button, radio.id);
        radioGrid->addWidget(button, position / 2, position % 2);
        ++position;
    }

    auto* explain = new QGroupBox(tr("说明"), this); // 1007
    auto* explanation = new QLabel(QString::fromUtf8(kExplanation), explain); // 1009
    explanation->setWordWrap(true);
    explanation->setFont(m_font);
    (new QVBoxLayout(explain))->addWidget(explanation);

    auto* enter = new QGroupBox(tr("在此输入filter"), this); // 1010
    m_editFilter = new QLineEdit(enter);
    (new QVBoxLayout(enter))->addWidget(m_editFilter);

    for (QGroupBox* box : {choose, explain, enter})
        box->setFont(m_font);

    m_btnOk = new CSkinButton(tr("确定"), this);
    m_btnCancel = new CSkinButton(tr("取消"), this);
    m_btnOk->setDefault(true);
    m_btnOk->setFont(m_font);
    m_btnCancel->setFont(m_font);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_btnOk);
    buttons->addWidget(m_btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(choose);
    layout->addWidget(explain, 1);
    layout->addWidget(enter);
    layout->addLayout(buttons);
    // The explanation wraps: the dialog takes the height its text needs at
    // this width, whatever the font's glyph widths.
    constexpr int kWidth = 212; // 106 dialog units
    resize(kWidth, std::max(400, layout->totalHeightForWidth(kWidth)));

    // Only the custom button enables the edit; the others disable it and keep its text.
    connect(m_radios, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            m_editFilter->setEnabled(id == kCustom);
    });
    connect(m_btnOk, &QPushButton::clicked, this, &CFilterDlg::accept);
    connect(m_btnCancel, &QPushButton::clicked, this, &CFilterDlg::reject);
    resetControls();
}

QRadioButton* CFilterDlg::radioButton(int id) const
{
    return qobject_cast<QRadioButton*>(m_radios->button(id));
}

void CFilterDlg::accept()
{
    m_strFilter.clear();
    for (const FixedFilter& radio : kRadios) {
        if (!m_radios->button(radio.id)->isChecked())
            continue;
        m_strFilter = radio.filter ? QString::fromLatin1(radio.filter) : m_editFilter->text();
        break;
    }
    QDialog::accept();
}

void CFilterDlg::done(int result)
{
    QDialog::done(result);
    resetControls();
}

void CFilterDlg::resetControls()
{
    // An exclusive group never lets the last checked button go.
    m_radios->setExclusive(false);
    for (QAbstractButton* button : m_radios->buttons())
        button->setChecked(false);
    m_radios->setExclusive(true);
    m_editFilter->clear();
    m_editFilter->setEnabled(false);
}
