#include "hoststorage/diskprep/diskidentity.h"

#include "base/text.h"

namespace sp {

std::string InquiryField(const std::vector<std::uint8_t>& inquiry, std::size_t offset, std::size_t width) {
  std::string field;
  for (std::size_t i = 0; i < width && offset + i < inquiry.size() && inquiry[offset + i] != 0; ++i) {
    field.push_back(static_cast<char>(inquiry[offset + i]));
  }
  field.resize(width, ' ');
  return field;
}

std::string FormatModelText(const std::vector<std::uint8_t>& inquiry) {
  auto printable = [](std::string s) {
    for (char& c : s) {
      if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) c = '?';
    }
    return s;
  };
  return Format("Model Name: %s %s %s", printable(InquiryField(inquiry, 8, 8)).c_str(),
                printable(InquiryField(inquiry, 16, 16)).c_str(), printable(InquiryField(inquiry, 32, 4)).c_str());
}

bool IsIscsiVendor(const std::vector<std::uint8_t>& inquiry) { return InquiryField(inquiry, 8, 8) == kIscsiVendorId; }

}  // namespace sp
