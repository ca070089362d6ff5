#include "hoststorage/diskprep/diskidentity.h"

#include <gtest/gtest.h>

#include <cstring>

namespace sp {
namespace {

std::vector<std::uint8_t> Inquiry(const char* vendor, std::size_t vendorLength, const char* product,
                                  const char* revision) {
  std::vector<std::uint8_t> data(96, 0);
  std::memcpy(data.data() + 8, vendor, vendorLength);
  std::memcpy(data.data() + 16, product, std::strlen(product));
  std::memcpy(data.data() + 32, revision, std::strlen(revision));
  return data;
}

TEST(DiskIdentity, VendorMustReadKorvaExactly) {
  EXPECT_TRUE(IsIscsiVendor(Inquiry("KORVA   ", 8, "VIRTUAL-DISK    ", "0001")));
  EXPECT_FALSE(IsIscsiVendor(Inquiry("korva   ", 8, "", "")));  // case
  EXPECT_FALSE(IsIscsiVendor(Inquiry("Korva   ", 8, "", "")));
  EXPECT_FALSE(IsIscsiVendor(Inquiry(" KORVA  ", 8, "", "")));  // padded otherwise
  EXPECT_FALSE(IsIscsiVendor(Inquiry("KORVA\t  ", 8, "", "")));
  EXPECT_FALSE(IsIscsiVendor(Inquiry("KORVAX  ", 8, "", "")));
  EXPECT_FALSE(IsIscsiVendor(Inquiry("IET     ", 8, "", "")));
  // Read as a printf "%-8.8s" reads it: a NUL ends the text, which is then
  // padded with blanks.
  EXPECT_TRUE(IsIscsiVendor(Inquiry("KORVA\0\0\0", 8, "", "")));
  EXPECT_FALSE(IsIscsiVendor(Inquiry("KOR\0VA  ", 8, "", "")));
}

TEST(DiskIdentity, ModelTextFormat) {
  EXPECT_EQ(FormatModelText(Inquiry("KORVA   ", 8, "VIRTUAL-DISK    ", "0001")),
            "Model Name: KORVA    VIRTUAL-DISK     0001");
  // Short and NUL-ended fields are padded; non-printable bytes become '?'.
  EXPECT_EQ(FormatModelText(Inquiry("AB\x01", 3, "disk", "1")), "Model Name: AB?      disk             1   ");
}

}  // namespace
}  // namespace sp
