// The formats of the share-mapping pieces: the agent's wire form and request
// texts, the remembered-connections file, and the system texts read for
// network mounts (mount table, /proc/filesystems, nmblookup output).
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "base/text.h"
#include "platform/netconnections.h"
#include "platform/netdockprotocol.h"
#include "platform/netmounts.h"
#include "platform/rememberedconnections.h"
#include "tools/netdock/nmblookupoutput.h"

namespace sp {
namespace {

std::string ReadData(const std::string& name) {
  std::ifstream in(std::string(SP_NETDOCK_TEST_DATA) + "/" + name);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::uint8_t> Header(std::uint32_t message, std::uint32_t dwData, std::uint32_t cbData) {
  std::vector<std::uint8_t> out = {'N', 'D', 'K', '1'};
  for (std::uint32_t v : {message, dwData, cbData}) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  return out;
}

TEST(NetDockWire, MapRequestBytesAndCbDataForAsciiText) {
  const std::u16string text = u"Z: \\\\storage1\\Volume1";
  ASSERT_EQ(text.size(), 21u);
  // ASCII: the wide text's byte length with its terminator.
  EXPECT_EQ(NetDockCbData(text), 44u);
  std::vector<std::uint8_t> expected = Header(0x4A, 0, 44);
  for (char16_t c : text) {
    expected.push_back(static_cast<std::uint8_t>(c));
    expected.push_back(0);
  }
  expected.push_back(0);
  expected.push_back(0);
  EXPECT_EQ(EncodeNetDockRequest(0, text), expected);

  std::vector<std::uint8_t> unmap = Header(0x4A, 1, 6);
  for (int b : {int{'Z'}, 0, int{':'}, 0, 0, 0}) unmap.push_back(static_cast<std::uint8_t>(b));
  EXPECT_EQ(EncodeNetDockRequest(1, u"Z:"), unmap);
  EXPECT_EQ(EncodeNetDockClose(), Header(0x10, 0, 0));
}

TEST(NetDockWire, NonAsciiTextIsPaddedToTheNarrowLengthRule) {
  // "ü" is one wide unit but two narrow bytes; "😀" two units, four bytes.
  const std::u16string text = u"Z: \\\\M\u00fcller\U0001F600\\Volume1";
  const std::uint32_t cbData = NetDockCbData(text);
  EXPECT_EQ(cbData, 2u * (text.size() + 1 + 1 + 2));
  const auto bytes = EncodeNetDockRequest(0, text);
  ASSERT_EQ(bytes.size(), kNetDockHeaderSize + cbData);
  NetDockRequest request;
  std::size_t consumed = 0;
  ASSERT_EQ(ParseNetDockRequest(bytes.data(), bytes.size(), &request, &consumed), NetDockParse::kComplete);
  EXPECT_EQ(consumed, bytes.size());
  EXPECT_EQ(NetDockRequestText(request), text);
  // Padding beyond the text is zero: the agent never sees leftovers.
  for (std::size_t i = kNetDockHeaderSize + 2 * text.size(); i < bytes.size(); ++i) EXPECT_EQ(bytes[i], 0);
}

TEST(NetDockWire, ParserFramesStreamsAndRejectsOtherTraffic) {
  const auto bytes = EncodeNetDockRequest(1, u"Y:");
  NetDockRequest request;
  std::size_t consumed = 0;
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    EXPECT_EQ(ParseNetDockRequest(bytes.data(), n, &request, &consumed), NetDockParse::kIncomplete) << n;
  }
  std::vector<std::uint8_t> two = bytes;
  two.insert(two.end(), bytes.begin(), bytes.end());
  ASSERT_EQ(ParseNetDockRequest(two.data(), two.size(), &request, &consumed), NetDockParse::kComplete);
  EXPECT_EQ(consumed, bytes.size());
  EXPECT_EQ(request.dwData, 1u);

  const std::uint8_t http[] = "GET / HTTP/1.0\r\n";
  EXPECT_EQ(ParseNetDockRequest(http, 2, &request, &consumed), NetDockParse::kInvalid);
  auto tooLong = Header(0x4A, 0, kNetDockMaxPayload + 2);
  EXPECT_EQ(ParseNetDockRequest(tooLong.data(), tooLong.size(), &request, &consumed), NetDockParse::kInvalid);
  auto otherMessage = Header(0x11, 0, 0);
  EXPECT_EQ(ParseNetDockRequest(otherMessage.data(), otherMessage.size(), &request, &consumed), NetDockParse::kInvalid);
  auto closeWithData = Header(0x10, 0, 2);
  closeWithData.resize(closeWithData.size() + 2);
  EXPECT_EQ(ParseNetDockRequest(closeWithData.data(), closeWithData.size(), &request, &consumed),
            NetDockParse::kInvalid);
  // Text without terminator ends at the payload; an odd byte is dropped.
  auto raw = Header(0x4A, 1, 5);
  for (int b : {int{'Q'}, 0, int{':'}, 0, int{'x'}}) raw.push_back(static_cast<std::uint8_t>(b));
  ASSERT_EQ(ParseNetDockRequest(raw.data(), raw.size(), &request, &consumed), NetDockParse::kComplete);
  EXPECT_EQ(NetDockRequestText(request), u"Q:");

  EXPECT_EQ(DecodeNetDockReply(EncodeNetDockReply(-2).data()), -2);
  EXPECT_EQ(DecodeNetDockReply(EncodeNetDockReply(0x123456789).data()), 0x123456789);
}

TEST(NetDockTexts, MapAndUnmapTexts) {
  NetShareTarget t;
  ASSERT_TRUE(ParseNetDockMapText(u"z: \\\\VBX-207\\Volume1", &t));
  EXPECT_EQ(t.letter, 'Z');
  EXPECT_EQ(t.host, "VBX-207");
  EXPECT_EQ(t.share, "Volume1");
  ASSERT_TRUE(ParseNetDockMapText(u"E: \\\\10.77.0.2\\My Share", &t));
  EXPECT_EQ(t.host, "10.77.0.2");
  EXPECT_EQ(t.share, "My Share");

  for (const char16_t* bad : {u"", u"Z:", u"Z:\\\\h\\Volume1", u"Z:  \\\\h\\Volume1", u"1: \\\\h\\Volume1",
                              u"Z: \\h\\Volume1", u"Z: \\\\h", u"Z: \\\\\\Volume1", u"Z: \\\\h\\", u"Z: \\\\h\\a\\b",
                              u"Z: \\\\..\\Volume1", u"Z: \\\\h\\..", u"Z: \\\\-o\\Volume1", u"Z: \\\\h/x\\Volume1",
                              u"Z: \\\\h\\Vol/../x", u"Z: \\\\M\u00fcller\\Volume1", u"Z: \\\\h\\Volume1\n"}) {
    EXPECT_FALSE(ParseNetDockMapText(bad, &t)) << Utf16ToUtf8(bad);
  }
  EXPECT_EQ(ParseNetDockDriveText(u"q:"), 'Q');
  EXPECT_EQ(ParseNetDockDriveText(u"Q:\\"), '\0');
  EXPECT_EQ(ParseNetDockDriveText(u"Q"), '\0');
  EXPECT_EQ(ParseNetDockDriveText(u"\uff31:"), '\0');
  EXPECT_EQ(NetworkMountPoint("/mnt", 'X'), "/mnt/x");
  EXPECT_EQ(NetworkMountPoint("/tmp/r/", 'c'), "/tmp/r/c");
  EXPECT_EQ(NetworkMountPoint("/", 'D'), "/d");
  EXPECT_EQ(NetworkMountPoint("/mnt", '1'), "");
}

TEST(RememberedConnectionsFormat, ParsesTolerantlyAndRoundTrips) {
  const std::string text =
      "# comment\n"
      "Z:\t\\\\VBX-207\\Volume1\n"
      "y:   \\\\10.77.0.2\\Data share  \r\n"
      "\n"
      "X: not-a-share\n"
      "W:\\\\glued\\Volume1\n"
      "5: \\\\h\\s\n"
      "V: \\\\..\\Volume1\n"
      "Z: \\\\later\\Volume1\n"
      "U: \\\\last\\NoNewline";
  const RememberedConnections parsed = ParseRememberedConnections(text);
  const RememberedConnections expected = {
      {'U', "\\\\last\\NoNewline"}, {'Y', "\\\\10.77.0.2\\Data share"}, {'Z', "\\\\later\\Volume1"}};
  EXPECT_EQ(parsed, expected);
  EXPECT_EQ(ParseRememberedConnections(SerializeRememberedConnections(parsed)), parsed);

  // Entries that would not read back are not written (no line injection).
  RememberedConnections odd = {{'A', "\\\\h\\s\nB:\t\\\\evil\\x"}, {'b', "\\\\h\\s"}, {'C', "\\\\h\\s"}};
  EXPECT_EQ(ParseRememberedConnections(SerializeRememberedConnections(odd)),
            (RememberedConnections{{'C', "\\\\h\\s"}}));
}

TEST(NetMountTable, FindsNetworkMountsAndTheirShares) {
  const auto mounts = ParseMountInfo(ReadData("mountinfo-smbnetfs.txt"));
  ASSERT_EQ(mounts.size(), 11u);
  const MountEntry* z = TopMountAt(mounts, "/tmp/ndtry/mnt/z");
  ASSERT_NE(z, nullptr);
  EXPECT_TRUE(IsNetworkMount(*z));
  EXPECT_EQ(RemoteOfMount(*z), "\\\\10.77.0.2\\Volume1");
  // The tree itself is a network mount but names no share.
  EXPECT_EQ(RemoteOfMount(*TopMountAt(mounts, "/tmp/ndtry/smbnet")), "");
  // A user's smbnetfs of one share names it in its source.
  EXPECT_EQ(RemoteOfMount({"/m/y", "fuse.smbnetfs", "//10.77.0.2/Volume1", "/"}), "\\\\10.77.0.2\\Volume1");
  EXPECT_EQ(RemoteOfMount(*TopMountAt(mounts, "/tmp/ndtry/mnt/x")), "\\\\STORAGE1\\Volume1");
  // A blank in a host name is unescaped, and such a host is no share path.
  const MountEntry* y = TopMountAt(mounts, "/tmp/ndtry/mnt/y");
  EXPECT_EQ(y->source, "//nas one/Volume1");
  EXPECT_EQ(RemoteOfMount(*y), "");
  EXPECT_FALSE(IsNetworkMount(*TopMountAt(mounts, "/tmp/ndtry/mnt/e")));
  // A local volume mounted over a share is what the letter shows.
  EXPECT_EQ(TopMountAt(mounts, "/tmp/ndtry/mnt/w")->fsType, "ext4");
  EXPECT_NE(TopMountAt(mounts, "/tmp/nd try/mnt/v"), nullptr);
  EXPECT_EQ(TopMountAt(mounts, "/tmp/ndtry/mnt/q"), nullptr);
  EXPECT_TRUE(ParseMountInfo("1 2 3 4\nnot a line at all\n").empty());

  EXPECT_FALSE(KernelListsFilesystem(ReadData("filesystems-nocifs.txt"), "cifs"));
  EXPECT_TRUE(KernelListsFilesystem(ReadData("filesystems-nocifs.txt"), "tmpfs"));
  EXPECT_TRUE(KernelListsFilesystem("nodev\tsysfs\nnodev\tsmb3\n\tcifs\n", "cifs"));
  EXPECT_FALSE(KernelListsFilesystem("nodev\tcifsx\n", "cifs"));
}

TEST(NmbLookupOutput, TakesTheAnswerForTheAskedName) {
  EXPECT_EQ(netdock::ParseNmbLookupAddress(ReadData("nmblookup-found.txt"), "vbxtest"), "10.77.0.2");
  EXPECT_EQ(netdock::ParseNmbLookupAddress(ReadData("nmblookup-notfound.txt"), "VBXTEST"), "");
  EXPECT_EQ(netdock::ParseNmbLookupAddress("querying VBX on 10.77.0.255\n10.77.0.9 OTHER<00>\n"
                                           "10.77.0.7 VBX<20>\n10.77.0.3 VBX<00>\n10.77.0.4 VBX<00>\n",
                                           "VBX"),
            "10.77.0.3");
  EXPECT_EQ(netdock::ParseNmbLookupAddress("999.1.1.1 VBX<00>\n10.77.0.5 VBX<00>", "VBX"), "10.77.0.5");
}

}  // namespace
}  // namespace sp
