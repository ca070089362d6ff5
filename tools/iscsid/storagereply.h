#pragma once
// Replies of the storage operations (shared by their two source files).
#include <cstdint>
#include <string_view>

#include "platform/linux/iscsicontrolmessage.h"

namespace sp::iscsid {

// "rsp" with the status and, when it failed, `error` (empty: the status's
// own text).
ControlMessage StorageReply(std::uint32_t status, std::string_view error = {});
// kInvalidParameter with the reason.
ControlMessage Refuse(std::string_view why);

}  // namespace sp::iscsid
