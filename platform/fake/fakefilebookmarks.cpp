#include "platform/fake/fakefilebookmarks.h"

#include "platform/driveletters.h"

namespace sp {

namespace {
char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
}  // namespace

bool FakeFileBookmarks::AddDrive(char letter, const std::string& name) {
  if (DriveLetterBit(letter) == 0 || failing) return false;
  edits.push_back(std::string("add ") + Upper(letter) + ": " + name);
  places[Upper(letter)] = name;
  return true;
}

bool FakeFileBookmarks::RemoveDrive(char letter) {
  if (DriveLetterBit(letter) == 0 || failing) return false;
  edits.push_back(std::string("remove ") + Upper(letter) + ":");
  places.erase(Upper(letter));
  return true;
}

}  // namespace sp
