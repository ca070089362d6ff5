// Finding an appliance by the address the person types, on the device
// selection sub-step, over a scripted link.
#include <arpa/inet.h>

#include "tests/pages/config/configpagefixture.h"
#include "tests/pages/config/scriptedlink.h"

namespace sp::test {
namespace {

TEST(ConfigPageFind, TypedAddressIsAskedInEveryLaterDiscoveryAndTheKeyboardReachesIt) {
  ScriptedLink link;
  link.rows = {{u"Near", u"10.77.0.2", u"02:4b:56:00:00:01"}};
  link.hiddenRows = {{u"Behind", u"10.79.0.2", u"02:4b:56:00:00:09"}};
  link.hiddenAddress = htonl(0x0a4f0002);  // 10.79.0.2
  ConfigWizard w{link};
  w.Enter();
  CIpAddressCtrl* field = w.Page().FindAddressField();
  ASSERT_TRUE(field->isVisible() && w.Page().FindButton()->isVisible());

  // Tab walks list -> address -> Find -> list.
  w.Page().DeviceList()->setFocus();
  w.Key(Qt::Key_Tab);
  EXPECT_EQ(w.FocusedControl(), kCtlFindAddress);
  w.Key(Qt::Key_Tab);
  EXPECT_EQ(w.FocusedControl(), kCtlFind);
  w.Key(Qt::Key_Tab);
  EXPECT_EQ(w.FocusedControl(), kCtlDeviceList);

  w.Click(w.Page().FindButton());  // blank field
  ASSERT_EQ(w.messages.shown.size(), 1u);
  EXPECT_EQ(w.messages.shown[0].icon, MessageIcon::Error);
  EXPECT_EQ(link.discoveries, 1);

  field->SetText("10.79.0.7");
  w.Click(w.Page().FindButton());
  ASSERT_EQ(w.messages.shown.size(), 2u);
  EXPECT_NE(w.messages.shown[1].text.find("No NAS answered at 10.79.0.7"), std::string::npos);
  EXPECT_NE(w.messages.shown[1].text.find("UDP port 7778"), std::string::npos);
  EXPECT_EQ(w.Page().DeviceList()->rowCount(), 1);

  field->SetText("10.79.0.2");
  field->Octet(3)->setFocus();
  w.Key(Qt::Key_Return);  // Enter in the field finds
  EXPECT_EQ(w.messages.shown.size(), 2u);
  ASSERT_EQ(w.Page().DeviceList()->rowCount(), 2);
  EXPECT_EQ(w.Page().DeviceList()->FocusRow(), 1);
  EXPECT_TRUE(w.AllButtonsEnabled());
  w.Screenshot("config-0-find-by-address");

  // Remembered for the run: Refresh asks there again; Next moves on
  // without the find controls.
  w.Click(w.Page().RefreshButton());
  EXPECT_EQ(w.Page().DeviceList()->rowCount(), 2);
  w.Next();
  EXPECT_EQ(w.Page().CurrentSubStep(), kStepLogin);
  EXPECT_FALSE(field->isVisible() || w.Page().FindButton()->isVisible());
}

}  // namespace
}  // namespace sp::test
