// The control protocol's message format: what goes in comes out byte for
// byte, and anything malformed is refused rather than half-read.
#include <gtest/gtest.h>

#include <random>

#include "platform/linux/iscsicontrolmessage.h"
#include "platform/linux/iscsicontroltypes.h"

namespace sp {
namespace {

TEST(ControlMessage, AnyBytesSurviveTheRoundTrip) {
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    std::string value(random() % 40, '\0');
    for (char& c : value) c = static_cast<char>(random() % 256);
    ControlMessage message{ControlRecord("req").Set("v", "1").Set("blob", value),
                           ControlRecord("mapping").Set("x", "=%\n ").Set("empty", "")};
    const std::string text = EncodeControlMessage(message);
    // One record per line: an encoded value never breaks a line or a field.
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
    const auto back = DecodeControlMessage(text);
    ASSERT_TRUE(back) << text;
    ASSERT_EQ(back->size(), 2u);
    EXPECT_EQ((*back)[0].Get("blob"), value);
    EXPECT_EQ((*back)[1].Get("x"), "=%\n ");
    EXPECT_TRUE((*back)[1].Has("empty"));
    EXPECT_EQ((*back)[1].Get("empty", "fallback"), "");
  }
}

TEST(ControlMessage, MalformedTextIsRefused) {
  const char* bad[] = {
      "",                        // nothing
      "req v=1",                 // no line end
      "\n",                      // empty record
      "Req v=1\n",               // upper case type
      "req v=1 v=2\n",           // duplicate key
      "req v\n",                 // field without '='
      "req =1\n",                // empty key
      "req v=1  op=x\n",         // double blank: an empty field
      "req v=1 \n",              // trailing blank
      "req note=a%2\n",          // cut escape
      "req note=a%zz\n",         // not hex
      "req note=a=b\n",          // raw '=' in a value
      "req note=\x01\n",         // raw control byte
      "req v=1\nmapping\x80\n",  // raw high byte in a type
      "req a_key_that_is_longer_than_32_chars=1\n",
  };
  for (const char* text : bad) {
    std::string error;
    EXPECT_FALSE(DecodeControlMessage(text, &error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

TEST(ControlMessage, TooManyFieldsOrRecordsAreRefused) {
  std::string wide = "req";
  for (std::size_t i = 0; i <= kMaxControlFields; ++i) wide += " k" + std::to_string(i) + "=1";
  EXPECT_FALSE(DecodeControlMessage(wide + "\n"));
  std::string tall;
  for (std::size_t i = 0; i <= kMaxControlRecords; ++i) tall += "r\n";
  EXPECT_FALSE(DecodeControlMessage(tall));
}

TEST(ControlMessage, NumbersReadDecimalOrHexAndRejectJunk) {
  ControlRecord r("x");
  r.Set("dec", "3260").Set("hex", "0xFFFFffff").Set("junk", "12a").Set("neg", "-1").Set("big", "18446744073709551616");
  r.Set("empty", "").Set("bare", "0x");
  EXPECT_EQ(r.GetU64("dec"), 3260u);
  EXPECT_EQ(r.GetU64("hex"), 0xFFFFFFFFu);
  EXPECT_FALSE(r.GetU64("junk"));
  EXPECT_FALSE(r.GetU64("neg"));
  EXPECT_FALSE(r.GetU64("big"));
  EXPECT_FALSE(r.GetU64("empty"));
  EXPECT_FALSE(r.GetU64("bare"));
  EXPECT_FALSE(r.GetU64("absent"));
  EXPECT_EQ(r.GetU64Or("absent", 9), 9u);
  r.Set("yes", "1").Set("no", "0").Set("maybe", "true");
  EXPECT_TRUE(r.GetBool("yes"));
  EXPECT_FALSE(r.GetBool("no", true));
  EXPECT_TRUE(r.GetBool("maybe", true)) << "anything but 0/1 falls back";
}

TEST(ControlFrameReader, FramesArriveInAnyPieces) {
  const ControlMessage a{ControlRecord("req").Set("op", "ping")};
  const ControlMessage b{ControlRecord("req").Set("op", "sessions").Set("pad", std::string(300, 'x'))};
  const std::string stream = FrameControlMessage(a) + FrameControlMessage(b);
  for (std::size_t piece : {1u, 3u, 5u, 64u, 1000u}) {
    ControlFrameReader reader;
    std::vector<std::string> frames;
    for (std::size_t at = 0; at < stream.size(); at += piece) {
      reader.Append(stream.data() + at, std::min(piece, stream.size() - at));
      std::string frame;
      while (reader.Next(frame) == ControlFrameReader::Result::kFrame) frames.push_back(frame);
    }
    ASSERT_EQ(frames.size(), 2u) << piece;
    EXPECT_EQ(frames[0], EncodeControlMessage(a));
    EXPECT_EQ(frames[1], EncodeControlMessage(b));
    EXPECT_EQ(reader.buffered(), 0u);
  }
}

TEST(ControlFrameReader, ZeroOrHugeLengthBreaksTheStream) {
  for (const std::string& head :
       {std::string("\0\0\0\0", 4), std::string("\x00\x40\x00\x01", 4), std::string("\xff\xff\xff\xff", 4)}) {
    ControlFrameReader reader;
    reader.Append(head.data(), head.size());
    std::string frame;
    EXPECT_EQ(reader.Next(frame), ControlFrameReader::Result::kError);
  }
  ControlFrameReader reader;
  reader.Append("\0\0\0\x05req", 7);
  std::string frame;
  EXPECT_EQ(reader.Next(frame), ControlFrameReader::Result::kNeedMore) << "waits for the rest of the body";
}

using namespace iscsictl;

TEST(ControlTypes, SessionIdsReadInTheirTextForms) {
  EXPECT_EQ(ParseUniqueId("ffff8000aabbccdd-4000000000000001"),
            (UniqueId{0xffff8000aabbccddull, 0x4000000000000001ull}));
  EXPECT_EQ(ParseUniqueId("0x1-0X2"), (UniqueId{1, 2}));
  EXPECT_EQ(UniqueIdText({0xabc, 0}), "abc-0");
  EXPECT_FALSE(ParseUniqueId("12"));
  EXPECT_FALSE(ParseUniqueId("-1"));
  EXPECT_FALSE(ParseUniqueId("1-"));
  EXPECT_FALSE(ParseUniqueId("1-g"));
  EXPECT_FALSE(ParseUniqueId("11111111111111111-1")) << "17 digits do not fit";
  EXPECT_FALSE(ParseUniqueId("1-2-3"));
}

TEST(ControlTypes, LoginRequestRoundTripKeepsOnlyWhatWasSpecified) {
  LoginRequest login;
  login.target = "iqn.2008-01.com.korva:storage.aabbcc.1.sys";
  login.informational = true;
  login.portal = Portal{"sym", "10.77.0.2", 3261};
  login.options.specified = LoginOptions::kHeaderDigest | LoginOptions::kUsername | LoginOptions::kPassword;
  login.options.headerDigest = LoginOptions::kDigestCrc32c;
  login.options.username = "user";
  login.options.password = std::string("\0pw\xff", 4);
  login.options.maxConnections = 7;  // not specified: does not travel
  login.key = "k";
  ControlRecord record("req");
  PutLoginRequest(record, login);
  EXPECT_FALSE(record.Has("opt_max_connections"));
  const auto decoded = DecodeControlMessage(EncodeControlMessage({record}));
  ASSERT_TRUE(decoded);
  LoginRequest back;
  ASSERT_TRUE(GetLoginRequest((*decoded)[0], back));
  EXPECT_EQ(back.target, login.target);
  EXPECT_TRUE(back.informational);
  ASSERT_TRUE(back.portal);
  EXPECT_EQ(*back.portal, *login.portal);
  EXPECT_EQ(back.options.password, login.options.password);
  EXPECT_EQ(back.options.maxConnections, 0u);
  EXPECT_EQ(back.initiatorPort, 0xFFFFFFFFu) << "an absent port is any port";
  EXPECT_EQ(back.key, "k");

  ControlRecord noPortal("req");
  noPortal.Set("target", "t");
  ASSERT_TRUE(GetLoginRequest(noPortal, back));
  EXPECT_FALSE(back.portal);
}

TEST(ControlTypes, OutOfRangeFieldsFailTheRecord) {
  LoginRequest login;
  EXPECT_FALSE(GetLoginRequest(ControlRecord("r").Set("target", std::string(224, 'a')), login));
  EXPECT_FALSE(GetLoginRequest(ControlRecord("r").Set("target", "t").Set("port", "4294967296"), login));
  EXPECT_FALSE(
      GetLoginRequest(ControlRecord("r").Set("target", "t").Set("address", "a").Set("socket", "65536"), login));
  EXPECT_FALSE(GetLoginRequest(ControlRecord("r").Set("target", "t").Set("opt_specified", "x"), login));
  EXPECT_EQ(ParseHex("0aFF"), (std::vector<std::uint8_t>{0x0a, 0xff}));
  EXPECT_FALSE(ParseHex("abc"));
  EXPECT_FALSE(ParseHex("zz"));
}

}  // namespace
}  // namespace sp
