// The whole road of one run, as a person takes it: welcome to summary with
// both services on two disks at 70 % NAS, and what the appliance, the PC's
// drives and the summary show at the end.
#include <QLineEdit>

#include "base/text.h"
#include "pages/config/cdevicelistctrl.h"
#include "pages/config/cipaddressctrl.h"
#include "tests/e2e/wizardrunfixture.h"
#include "uikit/ctransradio.h"

namespace sp::e2e {
namespace {

// MD5 of "admin" and of the empty text (RFC 1321's own test value).
constexpr char kMd5Admin[] = "21232f297a57a5a743894a0e4a801fc3";
constexpr char kMd5Empty[] = "d41d8cd98f00b204e9800998ecf8427e";

// The time block the choices make: Amsterdam's zone (13), daylight saving
// on with the EU rule from the last Sunday of March, 2 am, to the last
// Sunday of October, 3 am, no time server, 2025-06-15 10:30:59 by hand.
std::string ExpectedTimeBlock() {
  std::vector<std::uint8_t> block(136, 0);
  const auto put32 = [&](std::size_t at, std::int32_t v) {
    for (int i = 0; i < 4; ++i) block[at + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i));
  };
  block[0] = 13;
  const std::int32_t fields[] = {1, 7, 3, 5, 0, 2, 10, 5, 0, 3, 0};
  for (int i = 0; i < 11; ++i) put32(4 + 4 * i, fields[i]);
  const std::int32_t clock[] = {6, 15, 17, 10, 30, 59};
  for (int i = 0; i < 6; ++i) put32(112 + 4 * i, clock[i]);
  return Hex(block);
}

// The identity record (item 17) the network sub-step sends.
std::string ExpectedIdentityRecord(const std::string& netmask, const std::string& gateway) {
  std::vector<std::uint8_t> record(177, 0);
  const auto put = [&](std::size_t at, const std::string& text) {
    std::copy(text.begin(), text.end(), record.begin() + at);
  };
  put(0, "vault-one");
  put(20, "10.77.0.50");
  put(36, kMac);
  put(56, netmask);
  put(72, gateway);
  put(137, "OFFICE");
  put(157, "Front desk");
  return Hex(record);
}

class WholeRunTest : public WizardRunTest {};

TEST_F(WholeRunTest, BothServicesOnTwoDisksFromWelcomeToSummary) {
  ASSERT_NO_FATAL_FAILURE(StartWith(2));
  if (IsSkipped()) return;
  ASSERT_NO_FATAL_FAILURE(WalkToDeviceList());
  CDeviceListCtrl* list = Config().DeviceList();
  ASSERT_EQ(list->rowCount(), 1);
  EXPECT_EQ(list->CellText(0, 0), "VBX-207");
  EXPECT_EQ(list->CellText(0, 1), kFactoryIp);
  EXPECT_EQ(list->CellText(0, 2), kMac);

  // Identify, then the login with the factory (blank) password.
  ASSERT_TRUE(W().ChooseDevice());
  EXPECT_EQ(Appliance()["identify_count"], 1);
  EXPECT_STREQ(Wizard().State().targetMac, kMac);
  ASSERT_TRUE(W().LogIn());
  EXPECT_EQ(Appliance()["logins"]["accepted"], 1);
  EXPECT_EQ(Appliance()["logins"]["rejected"], 0);
  EXPECT_EQ(Appliance()["last_payload"]["7"], std::string(kMd5Admin) + kMd5Empty) << "MD5 of user and password";

  ASSERT_TRUE(W().NewPassword());
  EXPECT_EQ(Appliance()["password"], "vault42");
  EXPECT_EQ(Appliance()["last_item_data"]["15"], FieldHex("admin", 16) + FieldHex("vault42", 16));

  ASSERT_TRUE(W().TimeZone());
  ASSERT_TRUE(W().Clock());
  EXPECT_EQ(Appliance()["time"]["hex"], ExpectedTimeBlock());
  // The network sub-step shows what the appliance reported.
  EXPECT_EQ(Config().AddressField(kCtlIpAddress)->Text(), kFactoryIp);
  EXPECT_EQ(Config().Edit(kCtlNasName)->text(), "VBX-207");
  const std::string netmask = Config().AddressField(kCtlNetmask)->Text();
  const std::string gateway = Config().AddressField(kCtlGateway)->Text();

  // A new identity in the same network: the appliance moves there and
  // answers at its new address before the disk profile page comes.
  ASSERT_TRUE(W().FillIdentity());
  ASSERT_TRUE(W().ApplyIdentity()) << (T().messages().empty() ? "" : T().messages().front());
  nlohmann::json a = Appliance();
  EXPECT_EQ(a["last_item_data"]["17"], ExpectedIdentityRecord(netmask, gateway));
  EXPECT_EQ(a["last_item_data"]["16"], HexOf("nvram_commit"));
  EXPECT_EQ(a["commit_count"], 1);
  EXPECT_EQ(a["identity"]["ip"], "10.77.0.50");
  EXPECT_EQ(a["identity"]["name"], "vault-one");
  EXPECT_EQ(a["committed"]["password"], "vault42");

  // Both services, Normal, 70 % NAS on Y:, the iSCSI volume on X:.
  ASSERT_TRUE(W().WaitForDiskPage());
  EXPECT_EQ(Disk().Inventory().diskCount, 2);
  EXPECT_EQ(Disk().DiskList()->rowCount(), 2);
  ASSERT_NO_FATAL_FAILURE(WalkDiskPageAndFinish());
  ASSERT_EQ(Final().CurrentLayout(), CNetcfgDlg::Layout::Summary);

  // The appliance formatted with the profile and went to the end.
  a = Appliance();
  EXPECT_EQ(a["last_payload"]["8"], "4602") << "command 8: NAS 70 %, level 2";
  EXPECT_EQ(a["counts"]["8"], 1);
  EXPECT_EQ(a["format"]["nas_percent"], 70);
  EXPECT_EQ(a["format"]["level"], 2);
  EXPECT_EQ(a["format"]["progress"], 100);

  // The PC: the iSCSI volume at X:, the share at Y:, X: opened.
  ExpectIscsiVolumeAt('X');
  ExpectShareAt('Y');
  EXPECT_EQ(Opened(), Letter('x') + "\n");
  EXPECT_STREQ(Wizard().State().explorerCommandLine, "explorer X:\\");

  const std::vector<std::string> expected = {
      "Format and setup shared folder",
      "VBX-207 Information",
      "Device time: (GMT+01:00) Amsterdam, Berlin, Bern, Rome",
      "Device IP address: 10.77.0.50",
      "Webpage login password: vault42",
      "NAS shared folder path: Y: (Volume1)",
      "NAS size: 977 GB",
      "NAS level: JBOD",
      "iSCSI shared folder path: X:",
      "iSCSI size: 419 GB",
      "iSCSI level: Standard",
  };
  EXPECT_EQ(FinalTexts(), expected);
  EXPECT_TRUE(Final().FinishButton()->isVisible() && Final().FinishButton()->isEnabled());
}

}  // namespace
}  // namespace sp::e2e
