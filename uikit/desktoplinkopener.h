#pragma once
// Opens a label's link through the desktop, the way the wizard opened links
// through the shell: returns a result code above 32 on success, or a failure
// code of the hyperlink error table (linkerrors.h):
//   2  a local file that does not exist      3  its folder does not exist
//   31 nothing on the desktop could open it (no handler, no xdg-open)
#include <string>

namespace sp {

// QDesktopServices first; when it declines, "xdg-open <link>" started
// detached (argument vector, no shell).
int OpenLinkWithDesktop(const std::u16string& link);

}  // namespace sp
