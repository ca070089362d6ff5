#pragma once
// The share-mapping agent ("NetDock"), seen from the wizard: a separate
// program that owns the drive mappings. It takes two request forms, each a
// request code (dwData) with a wide text, and answers each with an integer:
//
//   dwData 1, unmap: the drive text "X:"
//   dwData 0, map:   the drive text, a blank and the share path,
//                    e.g. "Z: \\storage1\Volume1"; nonzero answer = mapped
//
// and a close request, after which it ends.
#include <cstdint>
#include <string_view>

namespace sp {

inline constexpr std::uint32_t kNetDockMapRequest = 0;
inline constexpr std::uint32_t kNetDockUnmapRequest = 1;

class INetDockAgent {
 public:
  virtual ~INetDockAgent() = default;
  // Whether an agent is there to take requests now.
  virtual bool Find() = 0;
  // Hands one request to the agent and waits (bounded) for its answer.
  // 0 when there is no agent, or it did not answer in time.
  virtual std::int64_t SendRequest(std::uint32_t dwData, std::u16string_view text) = 0;
  // Asks the agent to end. False when there was no agent.
  virtual bool Close() = 0;
};

}  // namespace sp
