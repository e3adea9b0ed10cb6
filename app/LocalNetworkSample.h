#pragma once
// The machine's own place on the LAN, as the window system's network layer
// reports it: sample values for the IP-MAC dialog and the prefix shown in
// the destination-traffic hint.
#include "reports/LocalNetwork.h"

#include <QList>
#include <QNetworkInterface>

// The first interface that is up, is not a loopback and has an IPv4 address,
// in the system's order; the fixed examples of reports/LocalNetwork.h when
// there is none. An interface without a hardware address keeps the example
// MAC.
trawler::reports::LocalInterface localNetworkSample();
// The same choice over a given list of interfaces.
trawler::reports::LocalInterface localNetworkSample(const QList<QNetworkInterface>& interfaces);
