#include "devtools/vbx207-sim/simtypes.h"

namespace sp::sim {

namespace {

struct KindName {
  FaultKind kind;
  const char* name;
};

constexpr KindName kKindNames[] = {
    {FaultKind::kDrop, "drop"},
    {FaultKind::kDropReply, "drop_reply"},
    {FaultKind::kDelay, "delay"},
    {FaultKind::kDuplicate, "duplicate"},
    {FaultKind::kWrongMac, "wrong_mac"},
    {FaultKind::kShort, "short"},
    {FaultKind::kGarbage, "garbage"},
    {FaultKind::kRefuse, "refuse"},
    {FaultKind::kSilentAfterCommit, "silent_after_commit"},
    {FaultKind::kSilentAfterFormat, "silent_after_format"},
    {FaultKind::kImpostor, "impostor"},
};

}  // namespace

std::vector<DiskSpec> DefaultDisks() {
  return {
      {"WDC", "WD5000AAKS-00V1", "WD-WCAWF1234567", '0', 476940},
      {"WDC", "WD10EADS-00M2B0", "WD-WCAV51234567", '1', 953869},
  };
}

const char* FaultKindName(FaultKind kind) {
  for (const auto& k : kKindNames) {
    if (k.kind == kind) return k.name;
  }
  return "?";
}

bool FaultKindFromName(const std::string& name, FaultKind* kind) {
  for (const auto& k : kKindNames) {
    if (name == k.name) {
      *kind = k.kind;
      return true;
    }
  }
  return false;
}

}  // namespace sp::sim
