#include "platform/netconnections.h"

namespace sp {

char DriveTextLetter(std::string_view drive) {
  if (drive.size() != 2 || drive[1] != ':') return '\0';
  char c = drive[0];
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return (c >= 'A' && c <= 'Z') ? c : '\0';
}

std::string NetworkMountPoint(const std::string& root, char letter) {
  if (letter >= 'A' && letter <= 'Z') letter = static_cast<char>(letter - 'A' + 'a');
  if (letter < 'a' || letter > 'z') return {};
  std::string base = root;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  if (base == "/") base.clear();
  return base + "/" + letter;
}

}  // namespace sp
