#pragma once
// A plain device list: the rows discovery found, in answer order.
#include <string>
#include <vector>

#include "devicelink/idevicelink.h"

namespace sp {

struct DeviceRow {
  std::u16string name;
  std::u16string ip;
  std::u16string mac;
};

class DeviceRowModel : public IDeviceList {
 public:
  int RowCount() const override { return static_cast<int>(rows_.size()); }
  std::u16string MacText(int row) const override;
  void AppendRow(const std::u16string& name, const std::u16string& ip, const std::u16string& mac) override;

  void Clear() { rows_.clear(); }
  const std::vector<DeviceRow>& rows() const { return rows_; }

 private:
  std::vector<DeviceRow> rows_;
};

}  // namespace sp
