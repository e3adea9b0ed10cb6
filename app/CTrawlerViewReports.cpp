// The report commands of the view: database choice, table reports, the
// share chart and the free query. Each handler below is a placeholder that
// does nothing yet; the report engine takes them over.
#include "CTrawlerView.h"

#include <QPainter>

void CTrawlerView::OnSelectDatabase() {}
void CTrawlerView::OnIcmpScanners() {}
void CTrawlerView::OnIcmpScanned() {}
void CTrawlerView::OnIcmpRelations() {}
void CTrawlerView::OnIcmpProbeLength() {}
void CTrawlerView::OnIcmpShowAll() {}
void CTrawlerView::OnIcmpTypeShare() {}
void CTrawlerView::OnSynShowAll() {}
void CTrawlerView::OnCustomQuery() {}
void CTrawlerView::OnIpMacMap() {}
void CTrawlerView::OnInsertIpMac() {}
void CTrawlerView::OnModifyIpMac() {}
void CTrawlerView::OnDestIpTraffic() {}
void CTrawlerView::OnTcpPairTraffic() {}
void CTrawlerView::OnUdpPairTraffic() {}
void CTrawlerView::OnLanAccess() {}

void CTrawlerView::DrawShareChart(QPainter&) {}
