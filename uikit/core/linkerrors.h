#pragma once
// Texts shown when a link of a mini-HTML label cannot be opened. Result codes
// follow the shell's convention: above 32 is success, 32 or less a failure
// code of the table (2 file not found, 31 no associated application, ...).
#include <string>

namespace sp {

// The text for a failure `code`; "Unknown Error (%d) occurred." for codes
// outside the table.
std::string HyperlinkErrorText(int code);

// The whole message: "Unable to open hyperlink:\r\n" followed by the text.
std::string HyperlinkErrorMessage(int code);

// A link opener's result that counts as success.
constexpr bool LinkOpened(int code) { return code > 32; }

}  // namespace sp
