#pragma once
// Telling the appliance's iSCSI disks from every other disk by the SCSI
// vendor identification in their INQUIRY data.
#include <cstdint>
#include <string>
#include <vector>

namespace sp {

// The appliance's vendor identification: the name padded with blanks to
// eight characters. Compared exactly, with case.
inline constexpr const char kIscsiVendorId[] = "KORVA   ";

// A field of the INQUIRY data as printf's "%-N.Ns" reads it: up to the first
// NUL, at most `width` bytes, padded with blanks to `width`. Bytes beyond the
// data count as NUL.
std::string InquiryField(const std::vector<std::uint8_t>& inquiry, std::size_t offset, std::size_t width);

// "Model Name: %-8.8S %-16.16S %-4.4S" with vendor (offset 8), product (16)
// and revision (32). Bytes that are not printable ASCII show as '?'.
std::string FormatModelText(const std::vector<std::uint8_t>& inquiry);

// Whether the vendor field reads exactly kIscsiVendorId.
bool IsIscsiVendor(const std::vector<std::uint8_t>& inquiry);

}  // namespace sp
