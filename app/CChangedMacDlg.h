#pragma once
// One dialog for many changed IP-MAC bindings found by the IP-MAC map: every
// one listed as IP, recorded MAC and seen MAC, instead of one box each.
#include <QDialog>
#include <QStringList>

#include <string>
#include <vector>

class QTreeWidget;

namespace trawler::reports {
struct IpMacMapRow;
}

class CChangedMacDlg : public QDialog {
    Q_OBJECT
public:
    // Each entry: IP, recorded MAC, seen MAC.
    CChangedMacDlg(const std::vector<QStringList>& changes, QWidget* parent = nullptr);
    QTreeWidget* list() const { return m_list; }

private:
    QTreeWidget* m_list = nullptr;
};

// The IP, recorded MAC and seen MAC that one warning of a map row tells of.
QStringList changedBinding(const trawler::reports::IpMacMapRow& row, const std::string& warning);
