#pragma once
// What the pages learn and decide on the way to the final page.
//
// One record per run, owned by the final page (CNetcfgDlg); every page reaches
// it through the main window. Texts are zero-terminated within their fields;
// writers go through sp::CopyBounded, which cuts a longer text to the field's
// width minus one without splitting a character. Narrow texts are UTF-8, wide
// texts UTF-16.
//
// Order of writes: pages write on the UI thread; the final setup worker takes
// the record over only after the disk profile page wrote its last field, and
// from then on only the worker writes (explorer command line, NAS mapped flag).
#include <cstdint>

namespace sp {

struct WizardState {
  // Device block.
  char targetMac[20];            // "xx:xx:xx:xx:xx:xx"; all-ones addresses every appliance
  char deviceIpAddress[16];      // typed address, iSCSI portal address
  std::uint8_t nasSharePercent;  // 100 NAS only, 0 iSCSI only, else 1..99
  std::uint8_t diskLevelCode;    // 2 Normal, 4 Raid1
  char16_t deviceIpWide[16];     // typed address, for the web pages
  char16_t deviceHostName[32];   // NAS name, server of the share path
  char nasDriveLetter[3];        // "X:"
  char iscsiDriveLetter[3];      // "X:"

  // Summary block.
  char deviceTime[128];       // text of the chosen time zone
  char deviceIpSummary[128];  // address after the appliance accepted it
  char webLoginPassword[96];  // new admin password
  std::int32_t nasSizeGb;     // 0 = no NAS volume
  char nasLevel[32];
  std::int32_t iscsiSizeGb;  // 0 = no iSCSI volume
  char iscsiLevel[32];

  // Results of the final setup.
  char explorerCommandLine[128];
  std::int32_t nasMapped;  // nonzero when the agent accepted the map request

  // Every text empty, every number 0.
  void Clear();
  // Clears the device block (target MAC text through the iSCSI drive letter)
  // and the summary block (device time through the iSCSI level text), as the
  // final page does when it is created.
  void ClearSummaryBlocks();
};

inline constexpr const char kBroadcastMac[] = "ff:ff:ff:ff:ff:ff";

}  // namespace sp
