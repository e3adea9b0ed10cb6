#include "Schema.h"

namespace trawler::db {

const std::array<TableStatement, 7> kCaptureTables = {{
    {"arp", "create table arp (Tm char(30), Destmac char(18), Sourcemac char(18), Destip char(16), Sourceip "
            "char(16), Type char(20) )"},
    {"ip", "create table ip (Tm char(30), Sourceip char(16), Destip char(16), Upperlayer char(16), Sourceport "
           "long, Destport long, Totallen long )"},
    {"history", "create table history (Filename char(250) )"},
    {"icmp", "create table icmp (Tm char(30), Sourceip char(16), Destip char(16), Upperlayer char(16), Type "
             "char(50), Code char(50), Totallen long )"},
    {"syn", "create table syn (Tm char(30), Sourceip char(16), Destip char(16), Sourceport long, Destport long )"},
    {"pccount", "create table pccount (Starttm char(30), Endtm char(30), Total long, Ethother long, Corrupted "
                "long, Arp long, Ip long, Tcp long, Udp long, Icmp long, Ipother long )"},
    {"ipmac", "create table ipmac (Ip char(16), Mac char(18), primary key(ip))"},
}};

} // namespace trawler::db
