// The device configuration page offscreen over a scripted device link: the
// address field's keyboard, the device list's focus row, the password rules'
// messages, Enter and Tab, the time sub-steps' lists and memory.
#include <QCheckBox>

#include "base/text.h"
#include "pages/config/core/adminpassword.h"
#include "pages/config/core/identityrecord.h"
#include "pages/install/cinstalldlg.h"
#include "pages/install/core/installframes.h"
#include "platform/appliancememory.h"
#include "platform/fake/fakenetworkfacts.h"
#include "tests/pages/config/configpagefixture.h"
#include "tests/pages/config/scriptedlink.h"
#include "uikit/chtmlstatic.h"

namespace sp::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Types `text` key by key into whatever has the focus, as a keyboard does.
void TypeKeys(const char* text) {
  for (const char* c = text; *c; ++c) {
    QWidget* w = QApplication::focusWidget();
    ASSERT_NE(w, nullptr);
    QTest::keyClick(w, *c);
  }
}

TEST(IpAddressField, TypingMovesThroughTheOctets) {
  CIpAddressCtrl field(nullptr, QRect(0, 0, 220, 22));
  field.show();
  QApplication::setActiveWindow(&field);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&field));
  field.Octet(0)->setFocus();
  TypeKeys("192.168.1.20");
  EXPECT_EQ(field.Text(), "192.168.1.20");

  // Three digits move on by themselves; a value above 255 becomes 255.
  field.Clear();
  field.Octet(0)->setFocus();
  TypeKeys("10077");
  EXPECT_EQ(field.Octet(0)->text(), "100");
  EXPECT_EQ(field.Octet(1)->text(), "77");
  TypeKeys(".999");
  EXPECT_EQ(field.Octet(2)->text(), "255");
  EXPECT_EQ(field.Text(), "100.77.255.0") << "a blank octet reads 0";

  // Backspace at an octet's start goes back into the previous one.
  field.Octet(3)->setFocus();
  QTest::keyClick(field.Octet(3), Qt::Key_Backspace);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
  EXPECT_EQ(field.Octet(2)->text(), "25");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Home);
  EXPECT_EQ(QApplication::focusWidget(), field.Octet(0));
  QTest::keyClick(field.Octet(0), Qt::Key_End);
  EXPECT_EQ(QApplication::focusWidget(), field.Octet(3)) << "End goes to the last octet";

  EXPECT_FALSE(field.SetText("10.0.0"));
  EXPECT_TRUE(field.IsBlank());
  EXPECT_FALSE(field.SetText("1.2.3.256"));
  EXPECT_FALSE(field.SetText("1.2.3.4x"));
  EXPECT_TRUE(field.SetText("255.255.255.0"));
  EXPECT_EQ(field.Text(), "255.255.255.0");
}

class ConfigPageGuiTest : public ::testing::Test {
 protected:
  ConfigPageGuiTest() {
    link.rows = {{u"VBX-207", u"10.77.0.2", u"02:4b:56:00:00:01"}, {u"Second", u"10.77.0.3", u"02:4b:56:00:00:02"}};
  }
  // Accepts everything; command 0 reports the current identity.
  void AnswerIdentity(const IdentityFields& f) {
    link.answer = [f](const ScriptedLink::Request& r) {
      Bytes reply(5 + sizeof(IdentityRecord), 0);
      reply[0] = kReplyAccepted;
      if (r.command == kCmdQueryIdentity) {
        const IdentityRecord rec = MakeIdentityRecord(f);
        std::memcpy(reply.data() + 5, &rec, sizeof rec);
      }
      return reply;
    };
  }
  // From the device list to sub-step `k`, every action accepted.
  void WalkTo(int k) {
    w.Enter();
    while (w.Page().CurrentSubStep() < k) {
      if (w.Page().CurrentSubStep() == kStepPassword) {
        w.Type(kCtlNewPassword, "abc123");
        w.Type(kCtlConfirmPassword, "abc123");
      }
      w.Next();
    }
    ASSERT_EQ(w.Page().CurrentSubStep(), k);
  }
  int Sent(std::uint8_t command, int item = -1) const {
    int n = 0;
    for (const auto& r : link.requests) n += r.command == command && (item < 0 || r.item() == item);
    return n;
  }

  ScriptedLink link;
  ConfigWizard w{link};
};

TEST_F(ConfigPageGuiTest, NextTakesTheFocusRowNotTheSelection) {
  w.Enter();
  CDeviceListCtrl* list = w.Page().DeviceList();
  ASSERT_EQ(list->rowCount(), 2);
  EXPECT_EQ(list->FocusRow(), 0);
  EXPECT_TRUE(list->selectionModel()->isRowSelected(0, {}));
  EXPECT_EQ(list->columnWidth(0), list->viewport()->width() * 3 / 10);
  EXPECT_EQ(list->columnWidth(0) + list->columnWidth(1) + list->columnWidth(2), list->viewport()->width());

  // Row 0 stays selected; the keyboard moves on to row 1.
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Down, Qt::ControlModifier);
  ASSERT_EQ(list->FocusRow(), 1);
  EXPECT_TRUE(list->selectionModel()->isRowSelected(0, {}));
  EXPECT_FALSE(list->selectionModel()->isRowSelected(1, {}));
  w.Next();
  EXPECT_STREQ(w.State().targetMac, "02:4b:56:00:00:02");
  EXPECT_EQ(w.Page().CurrentSubStep(), kStepLogin);
  EXPECT_FALSE(w.Page().RefreshButton()->isVisible());
  EXPECT_FALSE(w.Page().IdentifyButton()->isVisible());
  EXPECT_TRUE(w.AllButtonsEnabled());
}

TEST_F(ConfigPageGuiTest, EmptyListDisablesNextAndIdentifyUntilRefreshFindsOne) {
  link.rows.clear();
  w.Enter();
  EXPECT_FALSE(w.Page().NextButton()->isEnabled());
  EXPECT_FALSE(w.Page().IdentifyButton()->isEnabled());
  EXPECT_TRUE(w.Page().RefreshButton()->isEnabled());
  EXPECT_TRUE(w.Page().BackButton()->isEnabled());

  link.rows = {{u"Late", u"10.77.0.9", u"02:4b:56:00:00:09"}};
  w.Click(w.Page().RefreshButton());
  EXPECT_EQ(link.discoveries, 2);
  EXPECT_TRUE(w.AllButtonsEnabled());
  EXPECT_EQ(w.Page().DeviceList()->FocusRow(), 0);
  EXPECT_TRUE(w.Page().DeviceList()->hasFocus());
}

TEST(ConfigPageDiagnosis, EmptyListSaysWhatThisPcShowsUntilAnApplianceAnswers) {
  ScriptedLink link;
  FakeNetworkFacts facts;
  facts.AddInterface("lo", {"127.0.0.1"});
  facts.AddInterface("eth0", {"192.168.1.20"}).carrier = false;
  facts.AddInterface("eth<1>");  // named from outside: shown, never read as markup
  facts.AddInterface("vpn0", {"10.8.0.2"}).tunnel = true;
  facts.AddRoute("vpn0", "0.0.0.0", 0);
  facts.SetFilter(PacketFilter::kLoaded);
  ConfigWizard w{link, &facts};
  w.Enter();
  CHTMLStatic* label = w.Page().DiagnosisLabel();
  ASSERT_TRUE(label->isVisible());
  const std::string text = Utf16ToUtf8(label->Text());
  for (const char* part : {"No NAS answered", "eth0 has no link", "eth&lt;1> has no IPv4 address", "The VPN vpn0",
                           "allow UDP port 7778 from the NAS", "REFRESH"})
    EXPECT_NE(text.find(part), std::string::npos) << part << " in " << text;
  w.Screenshot("config-0-diagnosis");

  // Every Refresh takes a fresh look.
  facts = FakeNetworkFacts();
  facts.AddInterface("lo", {"127.0.0.1"});
  facts.AddInterface("eth0", {"192.168.1.20"}).tunnel = true;  // no adapter whose port is tried
  facts.AddInterface("eth1", {"192.168.1.21"}).up = false;
  w.Click(w.Page().RefreshButton());
  EXPECT_NE(Utf16ToUtf8(label->Text()).find("eth1 is switched off"), std::string::npos);
  link.rows = {{u"VBX-207", u"10.77.0.2", u"02:4b:56:00:00:01"}};
  w.Click(w.Page().RefreshButton());
  EXPECT_FALSE(label->isVisible());
}

TEST(ConfigPageMemory, AppliancesSetUpBeforeAreMarkedWithTheirDay) {
  const std::string file = QDir::tempPath().toStdString() + "/sp-marked-" + std::to_string(getpid());
  const ApplianceMemory memory(file);
  ASSERT_TRUE(memory.Remember({"02:4B:56:00:00:02", "Second", "10.77.0.3", "2026-11-30", "NAS 465 GB Normal"}));
  ScriptedLink link;
  link.rows = {{u"VBX-207", u"10.77.0.2", u"02:4b:56:00:00:01"}, {u"Second", u"10.77.0.3", u"02:4b:56:00:00:02"}};
  ConfigWizard w{link, nullptr, &memory};
  w.Enter();
  CDeviceListCtrl* list = w.Page().DeviceList();
  ASSERT_EQ(list->rowCount(), 2);
  EXPECT_FALSE(list->RowMarked(0));
  EXPECT_TRUE(list->RowMarked(1));
  EXPECT_EQ(list->item(1, 0)->toolTip().toStdString(), "Set up from this PC on 2026-11-30");
  w.Screenshot("config-0-set-up-before");
  std::remove(file.c_str());
}

TEST_F(ConfigPageGuiTest, IdentifyLightsTheFocusRowAndKeepsItChosen) {
  w.Enter();
  w.Page().DeviceList()->SetFocusRow(1);
  w.Click(w.Page().IdentifyButton());
  ASSERT_EQ(link.requests.size(), 1u);
  EXPECT_EQ(link.requests[0].command, kCmdIdentify);
  EXPECT_EQ(link.requests[0].mac, "02:4b:56:00:00:02");
  EXPECT_TRUE(link.requests[0].payload.empty());
  EXPECT_EQ(w.Page().DeviceList()->FocusRow(), 1);
  w.Next();
  EXPECT_STREQ(w.State().targetMac, "02:4b:56:00:00:02") << "Next configures the unit that was identified";
}

TEST_F(ConfigPageGuiTest, PasswordRulesSpeakInOrderAndSendNothingUntilTheyPass) {
  WalkTo(kStepPassword);
  const int before = static_cast<int>(link.requests.size());
  auto tryPassword = [&](const char* p, const char* c) {
    w.messages.shown.clear();
    w.Type(kCtlNewPassword, p);
    w.Type(kCtlConfirmPassword, c);
    w.Next();
  };
  tryPassword("ab", "abc");
  ASSERT_EQ(w.messages.shown.size(), 1u);
  EXPECT_EQ(w.messages.shown[0].text, "Password miss match!");
  EXPECT_EQ(w.messages.shown[0].icon, MessageIcon::Error);
  tryPassword("ab", "ab");
  EXPECT_EQ(w.messages.shown.at(0).text, "Password must be at least 6 characters!");
  tryPassword("1a2345", "1a2345");
  EXPECT_EQ(w.messages.shown.at(0).text, kTwoLettersMessage);
  EXPECT_EQ(w.messages.shown.at(0).icon, MessageIcon::Error);
  EXPECT_EQ(link.requests.size(), static_cast<std::size_t>(before)) << "nothing sent before the rules pass";
  tryPassword("abcdefghij", "abcdefghij");
  EXPECT_EQ(w.Page().Edit(kCtlNewPassword)->text(), "abcdefgh") << "the edits take 8 characters";
  EXPECT_STREQ(w.State().webLoginPassword, "abcdefgh");
  ASSERT_EQ(w.Page().CurrentSubStep(), kStepTimeZone);

  w.Back();
  w.Type(kCtlNewPassword, "");
  w.Type(kCtlConfirmPassword, "");
  w.messages.shown.clear();
  w.messages.answers = {MessageResult::Cancel};
  link.requests.clear();
  w.Next();
  ASSERT_EQ(w.messages.shown.size(), 1u);
  EXPECT_EQ(w.messages.shown[0].text, "Do you want to leave admin password blank?");
  EXPECT_EQ(w.messages.shown[0].buttons, MessageButtons::OkCancel);
  EXPECT_EQ(w.messages.shown[0].icon, MessageIcon::Information);
  EXPECT_TRUE(link.requests.empty()) << "Cancel sends nothing";
  EXPECT_EQ(w.Page().CurrentSubStep(), kStepPassword);

  w.messages.answers = {MessageResult::Ok};
  w.Next();
  ASSERT_EQ(link.requests.size(), 1u);
  EXPECT_EQ(link.requests[0].payload, BuildPasswordItem(""));
  EXPECT_STREQ(w.State().webLoginPassword, "abcdefgh") << "a blank password keeps the earlier text";
  EXPECT_EQ(w.Page().CurrentSubStep(), kStepTimeZone);
}

TEST_F(ConfigPageGuiTest, RefusedPasswordShowsItsMessageAndKeepsTheEdits) {
  WalkTo(kStepPassword);
  link.answer = [](const auto&) { return Bytes{1}; };
  w.Type(kCtlNewPassword, "secret12");
  w.Type(kCtlConfirmPassword, "secret12");
  w.Next();
  ASSERT_EQ(w.messages.shown.size(), 1u);
  EXPECT_EQ(w.messages.shown[0].text, "Set password failed!");
  EXPECT_EQ(w.Page().CurrentSubStep(), kStepPassword);
  EXPECT_EQ(w.Page().Edit(kCtlConfirmPassword)->text(), "secret12");
  EXPECT_STREQ(w.State().webLoginPassword, "");
  EXPECT_TRUE(w.AllButtonsEnabled());
}

TEST_F(ConfigPageGuiTest, EnterAndTabFollowTheStepControlTable) {
  WalkTo(kStepPassword);
  EXPECT_EQ(w.FocusedControl(), kCtlNewPassword) << "a sub-step opens on its first control";
  w.Key(Qt::Key_Tab);
  EXPECT_EQ(w.FocusedControl(), kCtlConfirmPassword);
  w.Key(Qt::Key_Return);
  EXPECT_EQ(w.FocusedControl(), kCtlNewPassword) << "past the row's end the focus wraps";
  // On a button the key does nothing, and nothing is pressed.
  w.Page().NextButton()->setFocus();
  const auto sent = link.requests.size();
  w.Key(Qt::Key_Return);
  w.Key(Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), w.Page().NextButton());
  EXPECT_EQ(link.requests.size(), sent);
  EXPECT_EQ(w.Page().CurrentSubStep(), kStepPassword);

  w.Type(kCtlNewPassword, "abc123");
  w.Type(kCtlConfirmPassword, "abc123");
  w.Next();
  // Sub-step 3 without daylight saving: the hidden lists are passed over.
  ASSERT_EQ(w.Page().CurrentSubStep(), kStepTimeZone);
  EXPECT_EQ(w.FocusedControl(), kCtlList1104);
  w.Key(Qt::Key_Tab);
  EXPECT_EQ(w.FocusedControl(), kCtlDaylightSaving);
  w.Key(Qt::Key_Tab);
  EXPECT_EQ(w.FocusedControl(), kCtlList1104);
  w.Page().CheckBox(kCtlDaylightSaving)->click();
  w.Page().List(kCtlList1104)->setFocus();
  for (int id : {kCtlList1105, kCtlDaylightSaving, kCtlList1107, kCtlList1108, kCtlList1109, kCtlList1110, kCtlList1112,
                 kCtlList1113, kCtlList1114, kCtlList1115, kCtlList1104}) {
    w.Key(Qt::Key_Enter);
    EXPECT_EQ(w.FocusedControl(), id);
  }

  AnswerIdentity({.name = "vbx", .ip = "10.77.0.2", .mac = "02:4b:56:00:00:01", .netmask = "255.255.255.0"});
  w.Next();
  w.Next();
  ASSERT_EQ(w.Page().CurrentSubStep(), kStepNetwork);
  // From inside an address field (its third octet) to the next control.
  w.Page().AddressField(kCtlIpAddress)->Octet(2)->setFocus();
  w.Key(Qt::Key_Tab);
  EXPECT_EQ(w.FocusedControl(), kCtlNetmask);
  EXPECT_EQ(QApplication::focusWidget(), w.Page().AddressField(kCtlNetmask)->Octet(0));
  for (int id : {kCtlGateway, kCtlWorkGroup, kCtlNasName, kCtlDescription, kCtlIpAddress}) {
    w.Key(Qt::Key_Tab);
    EXPECT_EQ(w.FocusedControl(), id);
  }
}

TEST_F(ConfigPageGuiTest, TimeStepsFillTheirListsAndRememberWithinAVisit) {
  WalkTo(kStepTimeZone);
  CBitComboBox* zone = w.Page().List(kCtlList1104);
  ASSERT_EQ(zone->count(), kTimeZoneCount);
  EXPECT_EQ(zone->currentIndex(), kDefaultTimeZone);
  EXPECT_EQ(zone->currentText(), "(GMT-08:00) Pacific Time (US && Canada)") << "ampersands as they stand";
  EXPECT_EQ(w.Page().List(kCtlList1110)->itemText(13), "1 pm");
  EXPECT_FALSE(w.Page().List(kCtlList1105)->isVisible()) << "daylight saving is off at first";
  EXPECT_FALSE(w.Page().Label(2)->isVisible());

  zone->setCurrentIndex(20);
  w.Page().CheckBox(kCtlDaylightSaving)->click();
  EXPECT_TRUE(w.Page().List(kCtlList1105)->isVisible());
  EXPECT_TRUE(w.Page().Label(8)->isVisible());
  w.Page().List(kCtlList1105)->setCurrentIndex(1);
  w.Page().List(kCtlList1115)->setCurrentIndex(12);
  w.Next();
  EXPECT_STREQ(w.State().deviceTime, "(GMT+08:00) Hong Kong, Perth, Singapore,Taipei");
  EXPECT_EQ(w.Page().TimeBlock().dstRegion, kDstRegionEu);
  EXPECT_EQ(w.Page().TimeBlock().endHour, 12);

  // Sub-step 4: the server list, and the manual lists when it is off.
  ASSERT_EQ(w.Page().CurrentSubStep(), kStepDateTime);
  EXPECT_EQ(zone->count(), 2);
  EXPECT_TRUE(w.Page().CheckBox(kCtlTimeServer)->isChecked());
  EXPECT_FALSE(w.Page().List(kCtlList1108)->isVisible());
  zone->setCurrentIndex(1);
  w.Page().SetLocalClock([] { return QDateTime(QDate(2031, 2, 3), QTime(4, 5, 6)); });
  w.Page().CheckBox(kCtlTimeServer)->click();
  EXPECT_FALSE(zone->isVisible());
  EXPECT_TRUE(w.Page().List(kCtlList1108)->isVisible());
  EXPECT_EQ(w.Page().List(kCtlList1105)->currentText(), "02");
  EXPECT_EQ(w.Page().List(kCtlList1107)->currentText(), "03");
  EXPECT_EQ(w.Page().List(kCtlList1108)->currentIndex(), -1) << "2031 is not in the year list";
  EXPECT_EQ(w.Page().List(kCtlList1109)->currentText(), "4");
  EXPECT_EQ(w.Page().List(kCtlList1112)->currentText(), "06");

  // Back keeps the server choice; sub-step 3 shows the kept indices.
  w.Page().CheckBox(kCtlTimeServer)->click();
  w.Back();
  EXPECT_EQ(w.Page().TimeMemory().timeServerIndex, 1);
  EXPECT_EQ(zone->currentIndex(), 20);
  EXPECT_EQ(w.Page().List(kCtlList1115)->currentIndex(), 12);
  EXPECT_TRUE(w.Page().CheckBox(kCtlDaylightSaving)->isChecked()) << "the box keeps its state";
  w.Next();
  EXPECT_EQ(zone->currentIndex(), 1);

  // Entering the page again resets the memory.
  w.Page().EnterPage();
  EXPECT_EQ(w.Page().TimeMemory().listIndex[0], kDefaultTimeZone);
  EXPECT_EQ(w.Page().TimeMemory().timeServerIndex, 0);
  EXPECT_EQ(w.Page().CurrentSubStep(), kStepDateTime) << "entering does not change the sub-step";
  EXPECT_EQ(zone->currentIndex(), 0);
}

TEST_F(ConfigPageGuiTest, ManualClockWithAYearOutsideTheListSendsMinusOne) {
  WalkTo(kStepDateTime);
  AnswerIdentity({.name = "vbx", .ip = "10.77.0.2", .mac = "02:4b:56:00:00:01", .netmask = "255.255.255.0"});
  w.Page().SetLocalClock([] { return QDateTime(QDate(2031, 12, 31), QTime(23, 59, 58)); });
  w.Page().CheckBox(kCtlTimeServer)->click();
  link.requests.clear();
  w.Next();
  ASSERT_GE(link.requests.size(), 2u);
  const Bytes& item = link.requests[0].payload;
  ASSERT_EQ(item.size(), kTimeItemPayloadSize);
  const TimeSettings sent = TimeSettings::FromBytes(item.data() + 4);
  EXPECT_EQ(sent.serverEnabled, 0);
  EXPECT_EQ(sent.month, 12);
  EXPECT_EQ(sent.day, 31);
  EXPECT_EQ(sent.year, -1);
  EXPECT_EQ(sent.second, 58);
  EXPECT_EQ(link.requests[1].command, kCmdQueryIdentity);
  EXPECT_EQ(w.Page().CurrentSubStep(), kStepNetwork);
  EXPECT_EQ(w.Page().AddressField(kCtlIpAddress)->Text(), "10.77.0.2");
  EXPECT_EQ(w.Page().Edit(kCtlNasName)->text(), "vbx");
}

}  // namespace
}  // namespace sp::test

namespace sp::test {
namespace {

TEST_F(ConfigPageGuiTest, BackFromTheListReturnsToTheInstallGuideAndCancelEndsTheWizard) {
  w.Enter();
  w.Back();
  EXPECT_EQ(w.Wizard().CurrentPageId(), kPageInstall);
  EXPECT_EQ(w.Wizard().InstallPage()->Step(), kInstallStepCount - 1) << "its last step";

  std::vector<int> codes;
  QObject::connect(&w.Wizard(), &QDialog::finished, [&](int code) { codes.push_back(code); });
  w.Enter();
  w.Click(w.Page().CancelButton());
  ASSERT_TRUE(WaitUntil([&] { return !codes.empty(); }));
  EXPECT_EQ(codes, std::vector<int>{-1});
}

TEST_F(ConfigPageGuiTest, NetworkStepRefusesAnUnusableIdentityAndAWindowCloseWaitsForTheAppliance) {
  AnswerIdentity(IdentityFields{.name = "VBX-207",
                                .ip = "10.77.0.2",
                                .mac = "02:4b:56:00:00:01",
                                .netmask = "255.255.255.0",
                                .gateway = "10.77.0.254"});
  WalkTo(kStepNetwork);
  const auto attempt = [&](const char* ip, const char* gateway) {
    w.messages.shown.clear();
    w.Page().AddressField(kCtlIpAddress)->SetText(ip);
    w.Page().AddressField(kCtlGateway)->SetText(gateway);
    w.Next();
    return w.messages.shown.empty() ? std::string() : w.messages.shown[0].text;
  };
  EXPECT_EQ(attempt("10.77.0.255", "10.77.0.254"),
            "The IP address is the network or broadcast address of its subnet. Please enter another address.");
  EXPECT_EQ(w.Page().AddressField(kCtlIpAddress)->Text(), "10.77.0.255") << "what was typed stays";
  EXPECT_EQ(attempt("10.77.0.50", "10.99.0.1"),
            "The gateway must be in the same subnet as the IP address, or left empty (0.0.0.0).");
  EXPECT_EQ(Sent(kCmdSetItem, kItemIdentity), 0) << "nothing is sent before the checks pass";
  EXPECT_EQ(w.Page().CurrentSubStep(), kStepNetwork);
  EXPECT_TRUE(w.AllButtonsEnabled());

  // Closed from the window manager while the appliance is being told: not
  // now (Cancel is off meanwhile); on the next page, as its Cancel.
  link.onRequest = [&](const ScriptedLink::Request&) { w.Wizard().close(); };
  EXPECT_EQ(attempt("10.77.0.50", "10.77.0.254"), "");
  link.onRequest = nullptr;
  EXPECT_EQ(Sent(kCmdSetItem, kItemIdentity), 1);
  ASSERT_EQ(w.Wizard().CurrentPageId(), kPageDisk);
  EXPECT_TRUE(w.Wizard().isVisible());
  w.Wizard().close();
  ASSERT_TRUE(WaitUntil([&] { return !w.Wizard().isVisible(); }));
}

}  // namespace
}  // namespace sp::test
