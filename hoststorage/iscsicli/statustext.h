#pragma once
// The line printed after every command: a system text for the statuses this
// platform commonly returns, else "Status: 0x%x".
#include <string>

#include "platform/iscsiinitiator.h"

namespace sp {

std::string StatusMessage(IscsiStatus status);

}  // namespace sp
