#include "pages/config/core/identityrecord.h"

#include <algorithm>
#include <cstring>

#include "base/text.h"
#include "devicelink/datagram.h"
#include "devicelink/ideviceexchange.h"

namespace sp {

IdentityRecord MakeIdentityRecord(const IdentityFields& f) {
  IdentityRecord r;
  std::memset(&r, 0, sizeof r);
  CopyBounded(r.name, f.name);
  CopyBounded(r.ip, f.ip);
  CopyBounded(r.mac, f.mac);
  CopyBounded(r.netmask, f.netmask);
  CopyBounded(r.gateway, f.gateway);
  CopyBounded(r.workgroup, f.workgroup);
  CopyBounded(r.description, f.description);
  return r;
}

std::vector<std::uint8_t> BuildIdentityItem(const IdentityRecord& record) {
  return BuildItemPayload(kItemIdentity, &record, sizeof record);
}

std::vector<std::uint8_t> BuildCommitItem() {
  return BuildItemPayload(kItemCommit, kCommitWord, sizeof kCommitWord - 1);
}

bool ParseIdentityReply(const std::uint8_t* replyArea, std::size_t length, IdentityFields* out) {
  // Copy what the reply holds into a zeroed record so that a short reply
  // reads as empty fields and nothing past `length` is touched.
  IdentityRecord r;
  std::memset(&r, 0, sizeof r);
  if (replyArea && length > kIdentityReplyOffset)
    std::memcpy(&r, replyArea + kIdentityReplyOffset, std::min(sizeof r, length - kIdentityReplyOffset));
  IdentityFields f;
  f.name = FieldText(r.name);
  f.ip = FieldText(r.ip);
  f.mac = FieldText(r.mac);
  f.netmask = FieldText(r.netmask);
  f.gateway = FieldText(r.gateway);
  f.workgroup = FieldText(r.workgroup);
  f.description = FieldText(r.description);
  const bool taken = !f.ip.empty();
  if (out) *out = std::move(f);
  return taken;
}

}  // namespace sp
