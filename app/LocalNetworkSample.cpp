#include "LocalNetworkSample.h"

#include "reports/IpMacInput.h"

using trawler::reports::LocalInterface;

LocalInterface localNetworkSample(const QList<QNetworkInterface>& interfaces)
{
    LocalInterface found{"", trawler::reports::kFallbackIp, trawler::reports::kFallbackMac, false};
    for (const QNetworkInterface& iface : interfaces) {
        const auto flags = iface.flags();
        if (!(flags & QNetworkInterface::IsUp) || (flags & QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& entry : iface.addressEntries()) {
            const QHostAddress address = entry.ip();
            if (address.protocol() != QAbstractSocket::IPv4Protocol || address.isLoopback())
                continue;
            found.name = iface.name().toStdString();
            found.ip = address.toString().toStdString();
            found.found = true;
            // The parser's form: lower case, "-" between the bytes.
            const auto mac = trawler::reports::normaliseMac(iface.hardwareAddress().toStdString());
            if (mac && *mac != "00-00-00-00-00-00")
                found.mac = *mac;
            return found;
        }
    }
    return found;
}

LocalInterface localNetworkSample()
{
    return localNetworkSample(QNetworkInterface::allInterfaces());
}
