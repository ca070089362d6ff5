#include "devicelink/devicerowmodel.h"

namespace sp {

std::u16string DeviceRowModel::MacText(int row) const {
  if (row < 0 || row >= RowCount()) return {};
  return rows_[static_cast<std::size_t>(row)].mac;
}

void DeviceRowModel::AppendRow(const std::u16string& name, const std::u16string& ip, const std::u16string& mac) {
  rows_.push_back({name, ip, mac});
}

}  // namespace sp
