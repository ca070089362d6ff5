#pragma once
// Places kept in memory: drive letter -> name, and every edit in order.
#include <map>
#include <string>
#include <vector>

#include "platform/filebookmarks.h"

namespace sp {

class FakeFileBookmarks : public IFileBookmarks {
 public:
  bool AddDrive(char letter, const std::string& name) override;
  bool RemoveDrive(char letter) override;

  std::map<char, std::string> places;  // upper-case letter -> name
  std::vector<std::string> edits;      // "add X: name", "remove X:"
  bool failing = false;                // the files cannot be written
};

}  // namespace sp
