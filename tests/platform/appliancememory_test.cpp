#include "platform/appliancememory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace sp {
namespace {

TEST(ApplianceMemory, RemembersPerMacAcrossRunsAndSurvivesAGarbledFile) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("sp-appmem-" + std::to_string(getpid()));
  std::filesystem::remove_all(dir);
  const std::string path = ApplianceMemoryPath(dir.string(), "/nowhere");
  EXPECT_EQ(path, dir.string() + "/setuppilot/appliances");
  EXPECT_EQ(ApplianceMemoryPath("relative", "/home/u"), "/home/u/.local/state/setuppilot/appliances");
  ApplianceMemory memory(path);
  EXPECT_FALSE(memory.Find("02:4b:56:00:00:01"));

  ASSERT_TRUE(memory.Remember({"02:4B:56:00:00:01", "VBX\t207", "10.77.0.2", "2026-12-01", "Normal NAS 100%"}));
  ASSERT_TRUE(memory.Remember({"02:4b:56:00:00:02", "Other", "10.77.0.3", "2026-12-02", "Raid1 iSCSI 100%"}));
  ASSERT_TRUE(memory.Remember({"02:4b:56:00:00:01", "VBX-207", "10.77.0.9", "2026-12-09", "Raid1 NAS 60%"}));
  EXPECT_FALSE(memory.Remember({"not a mac", "", "", "", ""}));
  const auto first = memory.Find("02:4B:56:00:00:01");
  ASSERT_TRUE(first);
  EXPECT_EQ(first->date, "2026-12-09");
  EXPECT_EQ(first->address, "10.77.0.9");
  EXPECT_EQ(memory.Find("02:4b:56:00:00:02")->name, "Other");
  EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::others_all,
            std::filesystem::perms::none);

  // Stray lines (too few fields, a tab in the wrong place) are skipped.
  std::ofstream(path, std::ios::app) << "02:4b:56:00:00:03\tshort\n\tx\ty\tz\tw\n02:4b:56:00:00:04\ta\tb\tc\td\n";
  EXPECT_FALSE(memory.Find("02:4b:56:00:00:03"));
  EXPECT_TRUE(memory.Find("02:4b:56:00:00:04"));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace sp
