#pragma once
// A session to a target as the rest of the service sees it, and the settings
// it is opened with.
#include <chrono>
#include <cstdint>
#include <string>

#include "tools/iscsid/scsiexecutor.h"

namespace sp::iscsid {

struct SessionConfig {
  std::string initiatorName;      // our node name (IQN)
  std::string targetName;         // empty for a discovery session
  std::string portal;             // "address:port" ("[v6]:port")
  bool headerDigest = false;      // require CRC32C header digests
  bool offerHeaderDigest = true;  // offer CRC32C when not required
  std::string chapUser;           // CHAP towards the target (empty: none)
  std::string chapSecret;
  std::uint32_t isidRandom = 0;     // the random part of the ISID (24 bits)
  std::uint16_t isidQualifier = 0;  // distinguishes our sessions
  std::chrono::milliseconds commandTimeout{15000};
  std::chrono::milliseconds loginTimeout{10000};
  std::chrono::milliseconds retryInterval{2000};
  std::chrono::milliseconds nopInterval{5000};
};

// Addresses of the live connection, as text, and the ISID in use.
struct ConnectionInfo {
  std::string localAddress;
  std::uint16_t localPort = 0;
  std::string targetAddress;
  std::uint16_t targetPort = 0;
  std::uint8_t isid[6] = {};
};

enum class SessionState { kConnecting, kLoggedIn, kDown, kClosed };

// Why a first login failed.
enum class LoginFailure { kNone, kConnect, kLogin, kTimeout };

// A session as the bookkeeping uses it: commands plus its state.
class ISessionLink : public IScsiExecutor {
 public:
  virtual SessionState state() const = 0;
  virtual ConnectionInfo connection() const = 0;
  // Logs out and ends the session; commands fail afterwards.
  virtual void Close() = 0;
};

}  // namespace sp::iscsid
