#include "platform/filebookmarks.h"

#include <algorithm>
#include <vector>

namespace sp {

namespace {

struct Span {
  std::size_t begin, end;  // [begin, end) of a <bookmark> element
  std::string href, title;
};

std::string XmlEscaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// The five predefined entities; anything else stays as written.
std::string XmlUnescaped(std::string_view text) {
  static constexpr std::pair<std::string_view, char> kEntities[] = {
      {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    bool replaced = false;
    for (const auto& [entity, c] : kEntities) {
      if (text.substr(i, entity.size()) == entity) {
        out += c;
        i += entity.size();
        replaced = true;
        break;
      }
    }
    if (!replaced) out += text[i++];
  }
  return out;
}

bool IsNameEnd(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '>' || c == '/'; }

// The value of attribute `name` in the start tag text `tag`.
std::string Attribute(std::string_view tag, std::string_view name) {
  for (std::size_t at = tag.find(name); at != std::string_view::npos; at = tag.find(name, at + 1)) {
    if (at == 0 || !IsNameEnd(tag[at - 1])) continue;
    std::size_t i = at + name.size();
    while (i < tag.size() && (tag[i] == ' ' || tag[i] == '\t' || tag[i] == '\n' || tag[i] == '\r')) ++i;
    if (i >= tag.size() || tag[i] != '=') continue;
    ++i;
    while (i < tag.size() && (tag[i] == ' ' || tag[i] == '\t' || tag[i] == '\n' || tag[i] == '\r')) ++i;
    if (i >= tag.size() || (tag[i] != '"' && tag[i] != '\'')) continue;
    const std::size_t close = tag.find(tag[i], i + 1);
    if (close == std::string_view::npos) return {};
    return XmlUnescaped(tag.substr(i + 1, close - i - 1));
  }
  return {};
}

// The <bookmark> elements of an XBEL text, comments skipped; one inside a
// folder is found all the same. Nothing when the text is malformed where
// it matters here (an open comment or bookmark, a bookmark in a bookmark):
// such a file is not edited.
std::optional<std::vector<Span>> Bookmarks(std::string_view text) {
  std::vector<Span> out;
  for (std::size_t i = text.find('<'); i != std::string_view::npos; i = text.find('<', i + 1)) {
    if (text.substr(i, 4) == "<!--") {
      const std::size_t end = text.find("-->", i + 4);
      if (end == std::string_view::npos) return std::nullopt;
      i = end + 2;
      continue;
    }
    if (text.substr(i, 9) != "<bookmark" || i + 9 >= text.size() || !IsNameEnd(text[i + 9])) continue;
    const std::size_t tagEnd = text.find('>', i);
    if (tagEnd == std::string_view::npos) return std::nullopt;
    Span span{i, tagEnd + 1, Attribute(text.substr(i + 9, tagEnd - i - 9), "href"), {}};
    if (text[tagEnd - 1] != '/') {
      const std::size_t close = text.find("</bookmark>", tagEnd);
      if (close == std::string_view::npos || text.find("<bookmark", tagEnd) < close ||
          text.find("<!--", tagEnd) < close) {
        return std::nullopt;
      }
      span.end = close + 11;
      const std::string_view body = text.substr(tagEnd + 1, close - tagEnd - 1);
      const std::size_t t = body.find("<title>"), te = body.find("</title>");
      if (t != std::string_view::npos && te != std::string_view::npos && te > t) {
        span.title = XmlUnescaped(body.substr(t + 7, te - t - 7));
      }
    }
    i = span.end - 1;
    out.push_back(std::move(span));
  }
  return out;
}

// Where the root element closes, or npos when there is no XBEL root.
std::size_t RootClose(std::string_view text) {
  if (text.find("<xbel") == std::string_view::npos) return std::string_view::npos;
  return text.rfind("</xbel>");
}

// `text` without the bookmarks for `uri`, each with the blanks that led
// up to it on its line and the line break before them (an element of its
// own line goes whole, the break after it staying for the line before).
// With `kept`, the first one titled `keepTitle` stays and sets it.
std::optional<std::string> Without(std::string_view text, std::string_view uri, std::string_view keepTitle,
                                   bool* kept) {
  const std::optional<std::vector<Span>> spans = Bookmarks(text);
  if (!spans) return std::nullopt;
  std::string out;
  std::size_t from = 0;
  for (const Span& span : *spans) {
    if (span.href != uri) continue;
    if (kept && !*kept && span.title == keepTitle) {
      *kept = true;
      continue;
    }
    std::size_t begin = span.begin;
    while (begin > from && (text[begin - 1] == ' ' || text[begin - 1] == '\t')) --begin;
    if (begin > from && text[begin - 1] == '\n') --begin;
    out.append(text.substr(from, begin - from));
    from = span.end;
  }
  out.append(text.substr(from));
  return out;
}

std::string_view FirstWord(std::string_view line) { return line.substr(0, line.find(' ')); }

}  // namespace

std::string DriveBookmarkName(std::string_view appliance, char letter) {
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  return std::string(appliance) + " (" + letter + ":)";
}

std::string FileUri(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (unsigned char c : path) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                       c == '.' || c == '_' || c == '~' || c == '/';
    if (plain) {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 15];
    }
  }
  return uri;
}

std::string WithGtkBookmark(std::string_view file, std::string_view uri, std::string_view name) {
  // A name cannot carry a line break into a line-per-place file.
  std::string line(uri);
  for (char c : name) line += (c == '\n' || c == '\r') ? ' ' : c;
  if (!name.empty()) line.insert(uri.size(), " ");
  std::string out;
  bool placed = false;
  std::size_t at = 0;
  while (at < file.size()) {
    const std::size_t end = std::min(file.find('\n', at), file.size());
    const std::string_view current = file.substr(at, end - at);
    if (FirstWord(current) == uri) {
      if (!placed) out += line + "\n";
      placed = true;
    } else {
      out.append(current);
      if (end < file.size()) out += '\n';
    }
    at = end + 1;
  }
  if (!placed) {
    if (!out.empty() && out.back() != '\n') out += '\n';
    out += line + "\n";
  }
  return out;
}

std::string WithoutGtkBookmark(std::string_view file, std::string_view uri) {
  std::string out;
  std::size_t at = 0;
  while (at < file.size()) {
    const std::size_t end = std::min(file.find('\n', at), file.size());
    const std::string_view current = file.substr(at, end - at);
    if (FirstWord(current) != uri) {
      out.append(current);
      if (end < file.size()) out += '\n';
    }
    at = end + 1;
  }
  return out;
}

std::optional<std::string> WithXbelBookmark(std::string_view file, std::string_view uri, std::string_view name) {
  if (file.find_first_not_of(" \t\r\n") == std::string_view::npos) {
    file = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE xbel>\n<xbel>\n</xbel>\n";
  }
  if (RootClose(file) == std::string_view::npos) return std::nullopt;
  bool kept = false;
  std::optional<std::string> out = Without(file, uri, name, &kept);
  if (!out || kept) return out;
  // On the closing tag's line when it starts one, else on a line of its
  // own after a break: either way removing it gives the text back.
  std::size_t at = RootClose(*out);
  // Taking the old entries out can leave no closing tag to find (it sat
  // inside one of them): such a file is not touched.
  if (at == std::string::npos) return std::nullopt;
  while (at > 0 && ((*out)[at - 1] == ' ' || (*out)[at - 1] == '\t')) --at;
  const std::string element =
      " <bookmark href=\"" + XmlEscaped(uri) + "\">\n  <title>" + XmlEscaped(name) + "</title>\n </bookmark>";
  const bool lineStart = at > 0 && (*out)[at - 1] == '\n';
  out->insert(at, lineStart ? element + "\n" : "\n" + element);
  const std::size_t begin = at + (lineStart ? 1 : 2);  // past the break and the blank
  // The closing tag may sit inside an element or a tag left open: then the
  // place would not read as itself, and the file is left alone.
  const std::optional<std::vector<Span>> check = Bookmarks(*out);
  const bool found = check && std::any_of(check->begin(), check->end(), [&](const Span& span) {
                       return span.begin == begin && span.href == uri && span.title == name;
                     });
  if (!found) return std::nullopt;
  return out;
}

std::optional<std::string> WithoutXbelBookmark(std::string_view file, std::string_view uri) {
  if (RootClose(file) == std::string_view::npos) return std::nullopt;
  return Without(file, uri, {}, nullptr);
}

}  // namespace sp
