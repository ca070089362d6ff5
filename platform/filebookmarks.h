#pragma once
// The file manager's places: a drive the wizard made (the iSCSI volume at
// its letter, the mapped share) shows in the side bar of the desktop's file
// browser, named after the appliance and the letter ("vault-one (X:)"), and
// goes again when the letter is cleared.
//
// Two files hold places on a Linux desktop: the GTK bookmarks file (one
// "URI[ name]" line per place; GNOME, Xfce, Cinnamon and GTK dialogs) and
// the KDE places file (XBEL). Both belong to the user: an edit keeps every
// other line and every other byte, and a file that cannot be read as what
// it should be is left alone. The edits here are pure functions over a
// file's text so they can be fuzzed; the backend reads and writes.
#include <optional>
#include <string>
#include <string_view>

namespace sp {

class IFileBookmarks {
 public:
  virtual ~IFileBookmarks() = default;
  // Adds the place for drive `letter` (its mount point) named `name`, or
  // renames the one there. True when the places hold it afterwards.
  virtual bool AddDrive(char letter, const std::string& name) = 0;
  // Removes the place for drive `letter`. True when none is left.
  virtual bool RemoveDrive(char letter) = 0;
};

// "vault-one (X:)": the appliance's name and the upper-case letter.
std::string DriveBookmarkName(std::string_view appliance, char letter);

// "file:///mnt/x", everything but unreserved characters and '/'
// percent-encoded.
std::string FileUri(std::string_view path);

// The GTK bookmarks file with the line for `uri` (first word) replaced by
// or added as "uri name"; every other line stays as it was.
std::string WithGtkBookmark(std::string_view file, std::string_view uri, std::string_view name);
// ... with every line for `uri` taken out.
std::string WithoutGtkBookmark(std::string_view file, std::string_view uri);

// The KDE places file with a bookmark for `uri` titled `name`: an existing
// one with that title is kept as it is, others for `uri` are taken out and
// one is added before "</xbel>". Nothing when the text has no XBEL root
// (the file is then left alone). Empty text makes a new file.
std::optional<std::string> WithXbelBookmark(std::string_view file, std::string_view uri, std::string_view name);
// ... with every bookmark for `uri` taken out; nothing when not XBEL.
std::optional<std::string> WithoutXbelBookmark(std::string_view file, std::string_view uri);

}  // namespace sp
