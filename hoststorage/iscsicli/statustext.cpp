#include "hoststorage/iscsicli/statustext.h"

#include "base/text.h"

namespace sp {

namespace {
struct StatusText {
  IscsiStatus status;
  const char* text;
};

constexpr StatusText kTexts[] = {
    {0, "The operation completed successfully."},
    {1, "The function is not valid here."},
    {2, "The file or device was not found."},
    {5, "Access to the device or setting was refused."},
    {8, "There is not enough memory to complete the operation."},
    {21, "The device is not ready."},
    {50, "This operation is not supported."},
    {87, "One of the parameters is not valid."},
    {122, "The buffer is too small for the data."},
    {1168, "The requested item was not found."},
    {1225, "The remote computer refused the connection."},
    {1231, "The network location cannot be reached."},
    {1460, "The operation timed out."},
};
}  // namespace

std::string StatusMessage(IscsiStatus status) {
  for (const StatusText& t : kTexts) {
    if (t.status == status) return t.text;
  }
  return Format("Status: 0x%x", status);
}

}  // namespace sp
