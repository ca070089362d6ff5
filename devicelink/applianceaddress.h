#pragma once
// The appliance address a person types to find an appliance that discovery's
// broadcast does not reach (one behind a router, on another subnet).
#include <cstdint>
#include <optional>
#include <string_view>

namespace sp {

enum class TypedAddressError {
  kMalformed,  // not four decimal numbers of 0..255 joined by points
  kNotAHost,   // 0.x.x.x, loopback, multicast, reserved or broadcast
};

struct TypedAddress {
  std::uint32_t address = 0;  // network byte order; 0 when `error` is set
  std::optional<TypedAddressError> error;
};

// Reads dotted-decimal text as the address field gives it ("10.79.0.2";
// blanks around it and leading zeros in an octet are allowed, "010" reads
// as ten, never as octal) and says whether it can name one appliance.
TypedAddress ParseApplianceAddress(std::string_view text);

}  // namespace sp
