#include "setupreport/setupreport.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace sp {

namespace {

constexpr char kPrefix[] = "setup-";
constexpr char kSuffix[] = ".txt";

std::mutex currentMutex;
std::shared_ptr<SetupReport> current;

bool MakeFolders(const std::string& folder) {
  for (std::size_t at = 1; at <= folder.size(); ++at) {
    if (at != folder.size() && folder[at] != '/') continue;
    const std::string part = folder.substr(0, at);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat st {};
  return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsReportName(const std::string& name) {
  const std::size_t p = sizeof kPrefix - 1, s = sizeof kSuffix - 1;
  return name.size() > p + s && name.compare(0, p, kPrefix) == 0 && name.compare(name.size() - s, s, kSuffix) == 0;
}

// Reports named after their start time sort oldest first by name.
std::vector<std::string> ReportsIn(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (const dirent* entry = readdir(dir)) {
      if (IsReportName(entry->d_name)) names.emplace_back(entry->d_name);
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string Stamp(std::chrono::system_clock::time_point t, const char* format, bool millis) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[64];
  std::size_t n = std::strftime(text, sizeof text, format, &local);
  if (millis) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count() % 1000;
    n += static_cast<std::size_t>(std::snprintf(text + n, sizeof text - n, ".%03d", static_cast<int>(ms)));
  }
  return std::string(text, n);
}

// Keeps the start and the end of `text` within `limit` bytes.
std::string Shortened(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return std::string(text);
  const std::size_t half = limit / 2;
  return std::string(text.substr(0, half)) + "\n[... " + std::to_string(text.size() - 2 * half) +
         " bytes left out ...]\n" + std::string(text.substr(text.size() - half));
}

std::string Entry(std::string_view what, std::string_view detail, std::size_t limit) {
  std::string entry = Stamp(std::chrono::system_clock::now(), "%H:%M:%S", true) + "  " + std::string(what) + "\n";
  std::string_view rest = detail;
  while (!rest.empty()) {
    const std::size_t end = std::min(rest.find('\n'), rest.size());
    entry += "    ";
    entry.append(rest.substr(0, end));
    entry += "\n";
    rest.remove_prefix(std::min(end + 1, rest.size()));
  }
  return Shortened(entry, limit);
}

}  // namespace

std::unique_ptr<SetupReport> SetupReport::Create(const std::string& folder, std::chrono::system_clock::time_point start,
                                                 SetupReportLimits limits) {
  if (folder.empty() || !MakeFolders(folder)) return nullptr;
  const std::string base = folder + "/" + kPrefix + Stamp(start, "%Y%m%d-%H%M%S", false);
  std::string path = base + kSuffix;
  // Two runs started in the same second each get their own file.
  for (int n = 2; access(path.c_str(), F_OK) == 0; ++n) path = base + "-" + std::to_string(n) + kSuffix;
  std::unique_ptr<SetupReport> report(new SetupReport(path, limits));
  std::lock_guard lock(report->mutex_);
  report->head_ = "Setup Pilot report, started " + Stamp(start, "%Y-%m-%d %H:%M:%S", false) + "\n\n";
  report->WriteLocked();
  if (access(path.c_str(), F_OK) != 0) return nullptr;

  std::vector<std::string> names = ReportsIn(folder);
  const std::size_t keep = static_cast<std::size_t>(std::max(limits.keepRuns, 1));
  const std::string own = path.substr(folder.size() + 1);
  for (std::size_t i = 0; names.size() - i > keep; ++i) {
    if (names[i] != own) unlink((folder + "/" + names[i]).c_str());
  }
  return report;
}

void SetupReport::Add(std::string_view what, std::string_view detail) {
  const std::size_t half = limits_.maxBytes / 2;
  std::string entry = Entry(what, detail, half / 2);
  std::lock_guard lock(mutex_);
  if (tail_.empty() && leftOut_ == 0 && head_.size() + entry.size() <= half) {
    head_ += entry;
  } else {
    tailBytes_ += entry.size();
    tail_.push_back(std::move(entry));
    while (tailBytes_ > half - 64 && tail_.size() > 1) {
      tailBytes_ -= tail_.front().size();
      tail_.pop_front();
      ++leftOut_;
    }
  }
  WriteLocked();
}

std::string SetupReport::Text() const {
  std::lock_guard lock(mutex_);
  return TextLocked();
}

std::string SetupReport::TextLocked() const {
  std::string text = head_;
  if (leftOut_ > 0) text += "\n[... " + std::to_string(leftOut_) + " entries left out ...]\n\n";
  for (const std::string& entry : tail_) text += entry;
  return text;
}

void SetupReport::WriteLocked() const {
  const std::string text = TextLocked();
  const std::string temp = path_ + ".part";
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return;
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  const bool whole = close(fd) == 0 && done == text.size();
  // A report that could not be written whole keeps its last good version.
  if (!whole || rename(temp.c_str(), path_.c_str()) != 0) unlink(temp.c_str());
}

std::string SetupReportFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && state[0] == '/') return std::string(state) + "/setuppilot";
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.local/state/setuppilot";
  return {};
}

void SetCurrentSetupReport(std::shared_ptr<SetupReport> report) {
  std::lock_guard lock(currentMutex);
  current = std::move(report);
}

std::shared_ptr<SetupReport> CurrentSetupReport() {
  std::lock_guard lock(currentMutex);
  return current;
}

void RecordSetupStep(std::string_view what, std::string_view detail) {
  if (const std::shared_ptr<SetupReport> report = CurrentSetupReport()) report->Add(what, detail);
}

std::string HexBytes(const std::uint8_t* bytes, std::size_t length) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(length * 3);
  for (std::size_t i = 0; i < length; ++i) {
    if (i) text += ' ';
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 15];
  }
  return text;
}

}  // namespace sp
