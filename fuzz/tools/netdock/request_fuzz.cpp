// Requests to the share-mapping agent come from any process of the user: the
// stream parser, the text decoding and the map/unmap text parsers must take
// any bytes, and what they accept must be what a well-formed request says.
#include <cstddef>
#include <cstdint>

#include "platform/netdockprotocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::size_t offset = 0;
  while (offset < size) {
    sp::NetDockRequest request;
    std::size_t consumed = 0;
    const auto parse = sp::ParseNetDockRequest(data + offset, size - offset, &request, &consumed);
    if (parse != sp::NetDockParse::kComplete) break;
    if (consumed == 0 || consumed > size - offset || request.payload.size() != request.cbData ||
        request.cbData > sp::kNetDockMaxPayload) {
      __builtin_trap();
    }
    offset += consumed;
    const std::u16string text = sp::NetDockRequestText(request);
    if (text.size() * 2 > request.payload.size()) __builtin_trap();
    sp::NetShareTarget target;
    if (sp::ParseNetDockMapText(text, &target)) {
      // Accepted texts name only plain hosts and shares, and read back the same.
      if (!sp::IsValidNetHostName(target.host) || !sp::IsValidNetShareName(target.share)) __builtin_trap();
      std::u16string again;
      again += static_cast<char16_t>(target.letter);
      again += u": ";
      for (char c : sp::MakeUncPath(target.host, target.share)) again += static_cast<char16_t>(c);
      sp::NetShareTarget second;
      if (!sp::ParseNetDockMapText(again, &second) || second.host != target.host || second.share != target.share ||
          second.letter != target.letter) {
        __builtin_trap();
      }
    }
    const char letter = sp::ParseNetDockDriveText(text);
    if (letter && (letter < 'A' || letter > 'Z')) __builtin_trap();
  }
  return 0;
}
