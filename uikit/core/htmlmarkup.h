#pragma once
// The mini-HTML markup of the wizard's labels, cut into text atoms.
//
// Forgiving by design: unknown tags and attributes are ignored, closing tags
// need not match, a "<" without a later ">" is text, and nothing is an error.
//
// Tags, checked in this order (case-insensitive, after trimming the tag):
//   b strong / /b /strong     bold on / off (switches, not counters)
//   i em / /i /em             italic on / off
//   u / /u                    underline on / off
//   br                        line break, always
//   p...   (first letter)     break unless the line is empty; align=left|center|right
//   /p                        break unless the line is empty; left alignment
//   center / /center          break unless the line is empty; centre / left
//   a...   (first letter)     href=... becomes the current link
//   /a...  (first two)        link ends
//   font...(first four)       push the font state; face=, size=, color=
//   /font...(first five)      pop the font state (nothing when the stack is empty)
// Entities: &quot; &lt; &gt; &amp;; any other &name; vanishes. The text is
// re-scanned from the start after every replacement, so "&amp;lt;" gives "<".
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "uikit/core/chtmlatom.h"
#include "uikit/core/chtmlfont.h"

namespace sp {

using HtmlAtomList = std::vector<std::unique_ptr<CHTMLAtom>>;

// Cuts `markup` into atoms, starting from the font state `base`. Line breaks
// are atoms whose text is CR LF. Layout fields of the atoms are left at 0.
HtmlAtomList ParseMarkup(std::u16string_view markup, const CHTMLFont& base);

// Replaces the entities of `text` (see above).
std::u16string DecodeEntities(std::u16string_view text);

// `text` as markup that shows exactly these characters: for anything that
// comes from outside (the appliance's fields, what the user typed) before it
// is put into a label. "<" becomes an entity; "&" ends its text run with a
// tag no one knows, because the decoder, which re-scans from the start after
// every replacement, would read an "&amp;" followed by "x;" as an entity to
// drop. So no tag, link or entity of the text ever takes effect.
std::string EscapeMarkupText(std::string_view text);

struct HtmlAttribute {
  std::u16string name;
  std::u16string value;
};

// Reads name=value pairs: the name is the trimmed text before "=", the value
// either a "quoted" text or the text up to the next space. A quote without
// its partner gives an empty value. Single quotes mean nothing.
std::vector<HtmlAttribute> ParseAttributes(std::u16string_view text);

// Applies a "color" value: a name of the colour table, or "#" with up to six
// hexadecimal digits (fewer are padded with zeros in front, so #FFF is a
// blue). Anything else leaves `color` unchanged; returns whether it was set.
bool ApplyColorValue(std::u16string_view value, ColorRef& color);

// Reads a "size" number: blanks, a decimal integer, blanks; else 0.
int ParseSizeNumber(std::u16string_view text);

// Applies a "size" value ("+n", "-n" or "n") to the size number and rescales
// the point size by the factor of the new size number over the old one.
void ApplySizeValue(std::u16string_view value, CHTMLFont& font);

}  // namespace sp
