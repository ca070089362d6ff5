#include "platform/appliancememory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace sp {

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool MacText(const std::string& s) {
  if (s.size() != 17) return false;
  for (std::size_t i = 0; i < s.size(); ++i)
    if (i % 3 == 2 ? s[i] != ':' : !std::isxdigit(static_cast<unsigned char>(s[i]))) return false;
  return true;
}

// A field may not break the line or the columns.
std::string Clean(std::string s) {
  std::replace_if(
      s.begin(), s.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
  return s;
}

void Put(std::vector<RememberedAppliance>& list, RememberedAppliance a) {
  a.mac = Lower(a.mac);
  auto it = std::find_if(list.begin(), list.end(), [&](const RememberedAppliance& x) { return x.mac == a.mac; });
  if (it != list.end())
    *it = std::move(a);
  else
    list.push_back(std::move(a));
}

}  // namespace

std::vector<RememberedAppliance> ParseApplianceMemory(std::string_view text) {
  std::vector<RememberedAppliance> out;
  text = text.substr(0, kApplianceMemoryMaxBytes);
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string line(text.substr(0, end));
    text.remove_prefix(std::min(end + 1, text.size()));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    // Every tab starts a field, the last one too (a blank profile).
    std::vector<std::string> f(1);
    for (char c : line) {
      if (c == '\t')
        f.emplace_back();
      else
        f.back().push_back(c);
    }
    if (f.size() != 5 || !MacText(f[0])) continue;
    // A stray carriage return inside a field reads as the blank it is written as.
    Put(out, {f[0], Clean(f[1]), Clean(f[2]), Clean(f[3]), Clean(f[4])});
  }
  return out;
}

std::string SerializeApplianceMemory(const std::vector<RememberedAppliance>& appliances) {
  std::string out = "# Appliances set up from this PC: MAC, name, address, date, profile\n";
  for (const RememberedAppliance& a : appliances) {
    if (!MacText(a.mac)) continue;
    out += Lower(a.mac) + '\t' + Clean(a.name) + '\t' + Clean(a.address) + '\t' + Clean(a.date) + '\t' +
           Clean(a.profile) + '\n';
  }
  return out;
}

std::string ApplianceMemoryPath(const std::string& xdgStateHome, const std::string& home) {
  // The base directory spec asks for an absolute path; a relative one is ignored.
  const std::string base = !xdgStateHome.empty() && xdgStateHome[0] == '/' ? xdgStateHome : home + "/.local/state";
  return base + "/setuppilot/appliances";
}

std::string ApplianceMemory::DefaultPath() {
  const char* state = std::getenv("XDG_STATE_HOME");
  const char* home = std::getenv("HOME");
  return ApplianceMemoryPath(state ? state : "", home ? home : "");
}

std::optional<RememberedAppliance> ApplianceMemory::Find(const std::string& mac) const {
  std::ifstream in(path_, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text(kApplianceMemoryMaxBytes, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  for (RememberedAppliance& a : ParseApplianceMemory(text))
    if (a.mac == Lower(mac)) return std::move(a);
  return std::nullopt;
}

bool ApplianceMemory::Remember(const RememberedAppliance& appliance) const {
  if (!MacText(appliance.mac)) return false;
  std::vector<RememberedAppliance> list;
  {
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream text;
    if (in) text << in.rdbuf();
    list = ParseApplianceMemory(text.str());
  }
  Put(list, appliance);
  // Each missing folder on the way, private to the user.
  for (std::size_t at = path_.find('/', 1); at != std::string::npos; at = path_.find('/', at + 1))
    mkdir(path_.substr(0, at).c_str(), 0700);
  const std::string temp = path_ + ".new";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << SerializeApplianceMemory(list);
    out.flush();
    if (!out) return false;
  }
  // Which appliances this person owns, and where, is theirs alone.
  chmod(temp.c_str(), 0600);
  return std::rename(temp.c_str(), path_.c_str()) == 0;
}

}  // namespace sp
