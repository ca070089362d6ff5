#include "hoststorage/iscsicli/usage.h"

namespace sp {

namespace {

struct UsageEntry {
  int section;
  bool quick;
  const char* synopsis;
};

constexpr const char kLoginOptions[] =
    "<Login Flags> <Header Digest> <Data Digest> <Max Connections>\n"
    "        <DefaultTime2Wait> <DefaultTime2Retain> <Username> <Password> <AuthType>";

constexpr UsageEntry kEntries[] = {
    {1, false,
     "iscsicli AddTarget <TargetName> <TargetAlias> <TargetPortalAddress>\n"
     "        <TargetPortalSocket> <Target flags> <Persist>\n"
     "        @OPTIONS@\n"
     "        <Mapping Count> <Target Lun> <OS Bus> <OS Target> <OS Lun> ..."},
    {2, false, "iscsicli RemoveTarget <TargetName>"},
    {3, false,
     "iscsicli AddTargetPortal <TargetPortalAddress> <TargetPortalSocket>\n"
     "        [<HBA Name> <Port Number> <Security Flags>\n"
     "        @OPTIONS@]"},
    {4, false, "iscsicli RemoveTargetPortal <TargetPortalAddress> <TargetPortalSocket> [HBA Name] [Port Number]"},
    {5, false, "iscsicli RefreshTargetPortal <TargetPortalAddress> <TargetPortalSocket> [HBA Name] [Port Number]"},
    {6, false, "iscsicli ListTargets [ForceUpdate]"},
    {7, false, "iscsicli ListTargetPortals"},
    {8, false, "iscsicli TargetInfo <TargetName> [Discovery Mechanism]"},
    {9, false,
     "iscsicli LoginTarget <TargetName> <ReportToPNP> <TargetPortalAddress>\n"
     "        <TargetPortalSocket> <InitiatorInstance> <Port Number> <Security Flags>\n"
     "        @OPTIONS@\n"
     "        <Key> <Mapping Count> <Target Lun> <OS Bus> <OS Target> <OS Lun> ..."},
    {11, false,
     "iscsicli PersistentLoginTarget <TargetName> <ReportToPNP> <TargetPortalAddress>\n"
     "        <TargetPortalSocket> <InitiatorInstance> <Port Number> <Security Flags>\n"
     "        @OPTIONS@\n"
     "        <Key> <Mapping Count> <Target Lun> <OS Bus> <OS Target> <OS Lun> ..."},
    {13, false,
     "iscsicli RemovePersistentTarget <Initiator Name> <TargetName> <Port Number>\n"
     "        <Target Portal Address> <Target Portal Socket>"},
    {12, false, "iscsicli ListPersistentTargets"},
    {10, false, "iscsicli LogoutTarget <SessionId>"},
    {20, false, "iscsicli ListInitiators"},
    {19, false, "iscsicli ReportTargetMappings"},
    {14, false,
     "iscsicli AddConnection <SessionId> <Initiator Instance> <Port Number>\n"
     "        <Target Portal Address> <Target Portal Socket> <Security Flags>\n"
     "        @OPTIONS@\n"
     "        <Key>"},
    {15, false, "iscsicli RemoveConnection <SessionId> <ConnectionId>"},
    {16, false, "iscsicli ScsiInquiry <SessionId> <LUN> <EvpdCmddt> <PageCode>"},
    {17, false, "iscsicli ReadCapacity <SessionId> <LUN>"},
    {18, false, "iscsicli ReportLUNs <SessionId>"},
    {21, false, "iscsicli AddiSNSServer <iSNS Server Address>"},
    {22, false, "iscsicli RemoveiSNSServer <iSNS Server Address>"},
    {24, false, "iscsicli ListiSNSServers"},
    {23, false, "iscsicli RefreshiSNSServer <iSNS Server Address>"},
    {28, false,
     "iscsicli TunnelAddr <Initiator Name> <InitiatorPort> <Destination Address>\n"
     "        <Tunnel Address> <Persist>"},
    {29, false, "iscsicli GroupKey <Key> <Persist>"},
    {30, false,
     "iscsicli PSKey <Initiator Name> <initiator Port> <Security Flags> <Id Type>\n"
     "        <Id> <Key> <persist>"},
    {27, false, "iscsicli CHAPSecret <chap secret>"},
    {25, false, "iscsicli NodeName <node name>"},
    {26, false, "iscsicli SessionList <Show Session Info>"},
    {31, false, "iscsicli BindPersistentVolumes\niscsicli BindPersistentDevices"},
    {38, false, "iscsicli AddPersistentDevice <Volume or Device Path>"},
    {39, false, "iscsicli RemovePersistentDevice <Volume or Device Path>"},
    {40, false, "iscsicli ClearPersistentDevices"},
    {41, false, "iscsicli ReportPersistentDevices"},
    {42, false, "iscsicli GetPSKey <Initiator Name> <initiator Port> <Id Type> <Id>"},
    {33, true, "iscsicli QLoginTarget <TargetName> [CHAP Username] [CHAP Password]"},
    {34, true, "iscsicli QAddTarget <TargetName> <TargetPortalAddress>"},
    {35, true, "iscsicli QAddTargetPortal <TargetPortalAddress> [CHAP Username] [CHAP Password]"},
    {36, true,
     "iscsicli QAddConnection <SessionId> <Initiator Instance> <Target Portal Address>\n"
     "        [CHAP Username] [CHAP Password]"},
};

constexpr const char kExplanations[] =
    "Target Mappings:\n"
    "    <Target Lun> is the LUN as the target numbers it: 0x followed by exactly\n"
    "    16 hexadecimal digits, such as 0x0001000000000000.\n"
    "    <OS Bus>, <OS Target> and <OS Lun> say where the LUN appears on this\n"
    "    computer; <OS Bus> and <OS Target> must be the same in every mapping.\n"
    "    <Mapping Count> is the number of mappings that follow; with 0 the\n"
    "    initiator chooses.\n"
    "\n"
    "Payload Id Types:\n"
    "    ID_IPV4_ADDR is      1 - Id is an IPv4 address\n"
    "    ID_FQDN is           2 - Id is a fully qualified domain name\n"
    "    ID_USER_FQDN is      3 - Id is a user name at a domain\n"
    "    ID_IPV6_ADDR is      5 - Id is an IPv6 address\n"
    "\n"
    "Security Flags:\n"
    "    TunnelMode is          0x00000040\n"
    "    TransportMode is       0x00000020\n"
    "    PFS Enabled is         0x00000010\n"
    "    Aggressive Mode is     0x00000008\n"
    "    Main mode is           0x00000004\n"
    "    IPSEC/IKE Enabled is   0x00000002\n"
    "    Valid Flags is         0x00000001\n"
    "\n"
    "Login Flags:\n"
    "    ISCSI_LOGIN_FLAG_REQUIRE_IPSEC                0x00000001\n"
    "        IPsec must protect the session.\n"
    "    ISCSI_LOGIN_FLAG_MULTIPATH_ENABLED            0x00000002\n"
    "        More than one session to the target may be opened.\n"
    "\n"
    "AuthType:\n"
    "    ISCSI_NO_AUTH_TYPE = 0\n"
    "        No authentication.\n"
    "    ISCSI_CHAP_AUTH_TYPE = 1\n"
    "        One-way CHAP: the target checks the initiator.\n"
    "    ISCSI_MUTUAL_CHAP_AUTH_TYPE = 2\n"
    "        Mutual CHAP: target and initiator check each other.\n"
    "\n"
    "Target Flags:\n"
    "    ISCSI_TARGET_FLAG_HIDE_STATIC_TARGET          0x00000002\n"
    "        The static entry is not listed while the target is also discovered.\n"
    "    ISCSI_TARGET_FLAG_MERGE_TARGET_INFORMATION    0x00000004\n"
    "        What discovery learns about the target is merged into the static entry.\n"
    "\n"
    "Arguments:\n"
    "    * in an optional position selects the default: no value, or any port.\n"
    "    Numbers are decimal; with a leading 0x they are hexadecimal, and a\n"
    "    character that is not a hexadecimal digit makes the number 0.\n"
    "    Session and connection ids are two hexadecimal numbers joined by -.\n"
    "    <chap secret> and <Password> are text, or with a leading 0x pairs of\n"
    "    hexadecimal digits, one byte per pair. A <Username> or <Password> of -\n"
    "    is empty.\n"
    "    <ReportToPNP> and <Persist> are true for T, t or *.\n";

void PrintSynopsis(std::ostream& out, const char* synopsis) {
  const std::string text = synopsis;
  const std::string marker = "@OPTIONS@";
  const std::size_t at = text.find(marker);
  if (at == std::string::npos) {
    out << text << '\n';
  } else {
    out << text.substr(0, at) << kLoginOptions << text.substr(at + marker.size()) << '\n';
  }
}

}  // namespace

void PrintUsageSection(std::ostream& out, int section) {
  for (const UsageEntry& e : kEntries) {
    if (e.section != section) continue;
    PrintSynopsis(out, e.synopsis);
    out << '\n';
    return;
  }
}

void PrintFullUsage(std::ostream& out) {
  out << "Usage: iscsicli <command> [arguments]\n\n";
  bool quickHeading = false;
  for (const UsageEntry& e : kEntries) {
    if (e.quick && !quickHeading) {
      out << "Quick Commands\n\n";
      quickHeading = true;
    }
    PrintSynopsis(out, e.synopsis);
    out << '\n';
  }
  out << kExplanations;
}

}  // namespace sp
