#include "uikit/core/htmlmarkup.h"

#include <climits>

#include "uikit/core/htmlcolors.h"

namespace sp {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f'; }

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char16_t Lower(char16_t c) { return (c >= u'A' && c <= u'Z') ? c + (u'a' - u'A') : c; }

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

bool StartsNoCase(std::u16string_view s, std::u16string_view prefix) {
  return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

int SaturatingAdd(int a, long long b) {
  const long long r = static_cast<long long>(a) + b;
  if (r > INT_MAX) return INT_MAX;
  if (r < INT_MIN) return INT_MIN;
  return static_cast<int>(r);
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return 0;  // not a digit: counts as 0 but keeps its place
}

int HexPair(std::u16string_view pair) {
  pair = Trim(pair);
  int value = 0;
  int weight = 1;
  for (std::size_t i = pair.size(); i-- > 0; weight *= 16) value += HexDigit(pair[i]) * weight;
  return value;
}

// The parser's running state while one string is read.
class MarkupReader {
 public:
  explicit MarkupReader(const CHTMLFont& base) : font_(base) {}

  HtmlAtomList Read(std::u16string_view rest) {
    while (!rest.empty()) {
      const std::size_t lt = rest.find(u'<');
      const std::size_t gt = lt == std::u16string_view::npos ? lt : rest.find(u'>', lt);
      if (gt == std::u16string_view::npos) {
        AddText(rest);
        break;
      }
      if (AddText(rest.substr(0, lt))) lineEmpty_ = false;
      if (HandleTag(Trim(rest.substr(lt + 1, gt - lt - 1)))) {
        AddAtom(u"\r\n");
        lineEmpty_ = true;
      }
      rest.remove_prefix(gt + 1);
    }
    return std::move(atoms_);
  }

 private:
  bool AddText(std::u16string_view text) {
    if (text.empty()) return false;
    AddAtom(DecodeEntities(text));
    return true;
  }

  void AddAtom(std::u16string text) {
    auto atom = std::make_unique<CHTMLAtom>();
    atom->text = std::move(text);
    atom->font = font_;
    atom->alignment = align_;
    atom->link = link_;
    atoms_.push_back(std::move(atom));
  }

  // Handles one tag; returns whether it asks for a line break.
  bool HandleTag(std::u16string_view tag) {
    const auto is = [tag](std::u16string_view name) { return EqualsNoCase(tag, name); };
    if (is(u"b") || is(u"strong")) {
      font_.bold = 1;
      return false;
    }
    if (is(u"/b") || is(u"/strong")) {
      font_.bold = 0;
      return false;
    }
    if (is(u"i") || is(u"em")) {
      font_.italic = 1;
      return false;
    }
    if (is(u"/i") || is(u"/em")) {
      font_.italic = 0;
      return false;
    }
    if (is(u"u")) {
      font_.underline = 1;
      return false;
    }
    if (is(u"/u")) {
      font_.underline = 0;
      return false;
    }
    if (is(u"br")) return true;
    if (StartsNoCase(tag, u"p")) {
      const bool brk = !lineEmpty_;
      if (tag.size() > 1) ApplyParagraphAttributes(tag.substr(std::min<std::size_t>(2, tag.size())));
      return brk;
    }
    if (is(u"/p") || is(u"/center")) {
      const bool brk = !lineEmpty_;
      align_ = kAlignLeft;
      return brk;
    }
    if (is(u"center")) {
      const bool brk = !lineEmpty_;
      align_ = kAlignCenter;
      return brk;
    }
    if (StartsNoCase(tag, u"a")) {
      if (tag.size() > 1) {
        for (const HtmlAttribute& a : ParseAttributes(tag.substr(std::min<std::size_t>(2, tag.size())))) {
          if (EqualsNoCase(a.name, u"href")) link_ = a.value;
        }
      }
      return false;
    }
    if (StartsNoCase(tag, u"/a")) {
      link_.clear();
      return false;
    }
    if (StartsNoCase(tag, u"font")) {
      OpenFont(tag.substr(4));
      return false;
    }
    if (StartsNoCase(tag, u"/font")) {
      if (!stack_.empty()) {
        font_ = std::move(stack_.back());
        stack_.pop_back();
      }
      return false;
    }
    return false;
  }

  void ApplyParagraphAttributes(std::u16string_view text) {
    for (const HtmlAttribute& a : ParseAttributes(text)) {
      if (!EqualsNoCase(a.name, u"align")) continue;
      if (EqualsNoCase(a.value, u"left"))
        align_ = kAlignLeft;
      else if (EqualsNoCase(a.value, u"center"))
        align_ = kAlignCenter;
      else if (EqualsNoCase(a.value, u"right"))
        align_ = kAlignRight;
    }
  }

  void OpenFont(std::u16string_view attributes) {
    stack_.push_back(font_);
    for (const HtmlAttribute& a : ParseAttributes(attributes)) {
      if (a.value.empty()) continue;
      if (EqualsNoCase(a.name, u"face"))
        font_.face = a.value;
      else if (EqualsNoCase(a.name, u"size"))
        ApplySizeValue(a.value, font_);
      else if (EqualsNoCase(a.name, u"color"))
        ApplyColorValue(a.value, font_.color);
    }
  }

  CHTMLFont font_;
  std::vector<CHTMLFont> stack_;
  std::int16_t align_ = kAlignLeft;
  std::u16string link_;
  bool lineEmpty_ = true;
  HtmlAtomList atoms_;
};

}  // namespace

HtmlAtomList ParseMarkup(std::u16string_view markup, const CHTMLFont& base) { return MarkupReader(base).Read(markup); }

std::u16string DecodeEntities(std::u16string_view input) {
  std::u16string text(input);
  // Nothing before the first "&" can change, so each scan may start where the
  // last replacement was made; the result equals a scan from the beginning.
  std::size_t from = 0;
  for (;;) {
    const std::size_t amp = text.find(u'&', from);
    if (amp == std::u16string::npos) break;
    const std::size_t semi = text.find(u';', amp + 1);
    if (semi == std::u16string::npos) break;
    const std::u16string_view name(text.data() + amp + 1, semi - amp - 1);
    std::u16string_view repl;
    if (EqualsNoCase(name, u"quot"))
      repl = u"\"";
    else if (EqualsNoCase(name, u"lt"))
      repl = u"<";
    else if (EqualsNoCase(name, u"gt"))
      repl = u">";
    else if (EqualsNoCase(name, u"amp"))
      repl = u"&";
    text.replace(amp, semi - amp + 1, repl);
    from = amp;
  }
  return text;
}

std::vector<HtmlAttribute> ParseAttributes(std::u16string_view rest) {
  std::vector<HtmlAttribute> out;
  for (std::size_t eq = rest.find(u'='); eq != std::u16string_view::npos; eq = rest.find(u'=')) {
    HtmlAttribute a;
    a.name = std::u16string(Trim(rest.substr(0, eq)));
    rest.remove_prefix(eq + 1);
    while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
    if (!rest.empty() && rest.front() == u'"') {
      const std::size_t close = rest.find(u'"', 1);
      if (close != std::u16string_view::npos) {
        a.value = std::u16string(rest.substr(1, close - 1));
        rest.remove_prefix(close + 1);
      }
    } else if (const std::size_t sp = rest.find(u' '); sp != std::u16string_view::npos) {
      a.value = std::u16string(rest.substr(0, sp));
      rest.remove_prefix(sp + 1);
    } else {
      a.value = std::u16string(rest);
      rest = {};
    }
    out.push_back(std::move(a));
  }
  return out;
}

bool ApplyColorValue(std::u16string_view value, ColorRef& color) {
  std::u16string v(value);
  if (const char* named = LookupColorName(value)) v.assign(named, named + 7);
  if (v.empty() || v.front() != u'#') return false;
  v.erase(0, 1);
  if (v.size() < 6) v.insert(0, 6 - v.size(), u'0');
  const int r = HexPair(std::u16string_view(v).substr(0, 2));
  const int g = HexPair(std::u16string_view(v).substr(2, 2));
  const int b = HexPair(std::u16string_view(v).substr(4, 2));
  color = MakeColorRef(r, g, b);
  return true;
}

int ParseSizeNumber(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  long long value = 0;
  const std::size_t digits = i;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    if (value <= INT_MAX) value = value * 10 + (text[i] - u'0');
  }
  if (i == digits) return 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  if (i != text.size()) return 0;
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

void ApplySizeValue(std::u16string_view value, CHTMLFont& font) {
  const int old = font.sizeNumber;
  if (!value.empty() && value.front() == u'+') {
    font.sizeNumber = SaturatingAdd(old, ParseSizeNumber(value.substr(1)));
  } else if (!value.empty() && value.front() == u'-') {
    font.sizeNumber = SaturatingAdd(old, -static_cast<long long>(ParseSizeNumber(value.substr(1))));
  } else {
    font.sizeNumber = ParseSizeNumber(value);
  }
  font.pointSize = font.pointSize / SizeScale(old) * SizeScale(font.sizeNumber);
}

std::string EscapeMarkupText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '<') {
      out += "&lt;";
    } else if (c == '&') {
      out += "&<x>";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace sp
