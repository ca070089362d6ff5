#pragma once
// Data of the initiator service's control protocol: portals, targets,
// persistent logins, login settings and identifiers, with their record forms.
// The service keeps the same records in its state file, so one set of field
// names serves the socket, the state file and the wizard's backend.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/iscsicontrolmessage.h"

namespace sp::iscsictl {

inline constexpr std::uint32_t kAnyInitiatorPort = 0xFFFFFFFFu;
inline constexpr std::size_t kMaxNameLength = 223;     // iSCSI names
inline constexpr std::size_t kMaxAddressLength = 255;  // portal addresses

// Login options; `specified` says which of the fields are given.
struct LoginOptions {
  enum Bits : std::uint32_t {
    kHeaderDigest = 0x01,
    kDataDigest = 0x02,
    kMaxConnections = 0x04,
    kTime2Wait = 0x08,
    kTime2Retain = 0x10,
    kUsername = 0x20,
    kPassword = 0x40,
    kAuthType = 0x80,
  };
  enum Digest : std::uint32_t { kDigestNone = 0, kDigestCrc32c = 1 };
  enum Auth : std::uint32_t { kAuthNone = 0, kAuthChap = 1, kAuthMutualChap = 2 };
  enum Flags : std::uint32_t { kRequireIpsec = 0x1, kMultipathEnabled = 0x2 };

  std::uint32_t version = 0;
  std::uint32_t specified = 0;
  std::uint32_t loginFlags = 0;
  std::uint32_t authType = kAuthNone;
  std::uint32_t headerDigest = kDigestNone;
  std::uint32_t dataDigest = kDigestNone;
  std::uint32_t maxConnections = 0;
  std::uint32_t time2Wait = 0;
  std::uint32_t time2Retain = 0;
  std::string username;  // bytes
  std::string password;  // bytes

  bool operator==(const LoginOptions&) const = default;
};

struct Portal {
  std::string symbolicName;
  std::string address;
  std::uint16_t socket = 3260;
  bool operator==(const Portal&) const = default;
};

// A send-targets portal as added (and kept across restarts).
struct SendTargetsPortal {
  Portal portal;
  std::string initiator;  // empty: any
  std::uint32_t initiatorPort = kAnyInitiatorPort;
  std::uint64_t securityFlags = 0;
  LoginOptions options;
};

// A target LUN mapped to operating-system numbers.
struct LunMapping {
  std::uint64_t targetLun = 0;  // 8-byte SCSI LUN field
  std::uint32_t osBus = 0;
  std::uint32_t osTarget = 0;
  std::uint32_t osLun = 0;
  bool operator==(const LunMapping&) const = default;
};

// A target added by hand rather than discovered.
struct StaticTarget {
  std::string name;
  std::string alias;
  std::vector<Portal> portals;
  std::uint32_t flags = 0;
  LoginOptions options;
  std::vector<LunMapping> mappings;
  bool persist = false;
};

// Everything a login needs; also what a persistent login keeps.
struct LoginRequest {
  std::string target;
  bool informational = false;  // no devices for the system
  std::string initiator;       // empty: any
  std::uint32_t initiatorPort = kAnyInitiatorPort;
  std::optional<Portal> portal;
  std::uint64_t securityFlags = 0;
  LoginOptions options;
  std::vector<LunMapping> mappings;
  std::string key;  // IPsec pre-shared key
  bool persistent = false;
};

// A prepared volume the service brings back at its letter whenever the
// LUN appears: a partition of one LUN of a persistently logged-in target,
// mounted the way the disk layer mounts it, for the given owner (uid 0: no
// owner options, as the disk layer's own mounts).
struct RememberedVolume {
  std::string target;
  std::uint64_t lunField = 0;  // 8-byte SCSI LUN field
  std::uint64_t offset = 0;    // bytes into the LUN
  std::uint64_t size = 0;      // bytes; 0: to the LUN's end
  std::string fileSystem;      // "ntfs"
  char letter = 0;             // 'a'..'z'
  std::uint32_t ownerUid = 0;
  std::uint32_t ownerGid = 0;
  bool operator==(const RememberedVolume&) const = default;
};

// A drive letter field ("x", either case) as 'a'..'z'; 0 when it is none.
char GetLetter(const ControlRecord& record, std::string_view key);

// The platform's two-part unique identifiers of sessions and connections.
struct UniqueId {
  std::uint64_t adapterUnique = 0;
  std::uint64_t adapterSpecific = 0;
  bool operator==(const UniqueId&) const = default;
};

// "%llx-%llx" and back (each part optionally 0x-prefixed, 1 to 16 digits).
std::string UniqueIdText(const UniqueId& id);
std::optional<UniqueId> ParseUniqueId(std::string_view text);

// Record fields of the types above. Readers return false on malformed
// numbers or over-long names and leave the rest untouched.
void PutOptions(ControlRecord& record, const LoginOptions& options);
bool GetOptions(const ControlRecord& record, LoginOptions& options);
void PutPortal(ControlRecord& record, const Portal& portal);
bool GetPortal(const ControlRecord& record, Portal& portal);
ControlRecord MappingRecord(const LunMapping& mapping);
bool GetMapping(const ControlRecord& record, LunMapping& mapping);
void PutLoginRequest(ControlRecord& record, const LoginRequest& login);
bool GetLoginRequest(const ControlRecord& record, LoginRequest& login);
void PutSendTargetsPortal(ControlRecord& record, const SendTargetsPortal& portal);
bool GetSendTargetsPortal(const ControlRecord& record, SendTargetsPortal& portal);

void PutVolume(ControlRecord& record, const RememberedVolume& volume);
bool GetVolume(const ControlRecord& record, RememberedVolume& volume);

// Reads a 32-bit field: absent gives `fallback`, malformed or too big fails.
bool GetU32(const ControlRecord& record, std::string_view key, std::uint32_t& value, std::uint32_t fallback);

// Bytes <-> lower-case hex text.
std::string HexText(const std::uint8_t* data, std::size_t size);
std::optional<std::vector<std::uint8_t>> ParseHex(std::string_view text);

}  // namespace sp::iscsictl
