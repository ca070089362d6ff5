// The state file: what is saved comes back, and a damaged or unreadable
// file never costs the logins it holds.
#include "tools/iscsid/statestore.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

namespace sp::iscsid {
namespace {

using namespace iscsictl;

class StateStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("sp-state-" + std::to_string(getpid()));
    std::filesystem::remove_all(dir_);
    path_ = (dir_ / "sub" / "state").string();
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
  std::string path_;
};

PersistentState Sample() {
  PersistentState s;
  s.nodeName = "iqn.2024-01.org.example:pc";
  s.chapSecret = std::string("sec\0ret\n", 8);
  SendTargetsPortal portal;
  portal.portal = {"name with blanks", "10.77.0.2", 3260};
  portal.options.specified = LoginOptions::kHeaderDigest;
  portal.options.headerDigest = LoginOptions::kDigestCrc32c;
  s.portals.push_back(portal);
  StaticTarget target;
  target.name = "iqn.x:static";
  target.alias = "disk";
  target.portals = {{"", "10.0.0.1", 3260}, {"", "fe80::1", 3261}};
  target.mappings = {{0x0001000000000000ull, 0, 2, 5}};
  target.persist = true;
  s.staticTargets.push_back(target);
  StoredLogin login;
  login.request.target = "iqn.2008-01.com.korva:storage.aabbcc.1.sys";
  login.request.persistent = true;
  login.request.mappings = {{0x0001000000000000ull, 0, 0, 1}, {0x0002000000000000ull, 0, 0, 2}};
  login.resolved = Portal{"", "10.77.0.2", 3260};
  s.persistentLogins.push_back(login);
  StoredLogin second;
  second.request.target = "iqn.y:other";
  second.request.portal = Portal{"", "10.0.0.9", 3260};
  second.request.persistent = true;
  s.persistentLogins.push_back(second);
  s.persistentDevices = {"X:\\", "/mnt/x"};
  s.volumes.push_back({login.request.target, 0x0001000000000000ull, 32256, 1u << 30, "ntfs", 'x', 1000, 1000});
  return s;
}

TEST_F(StateStoreTest, SavedStateComesBackWithListsInPlace) {
  StateStore store(path_);
  ASSERT_TRUE(store.Save(Sample()));
  struct stat st {};
  ASSERT_EQ(stat(path_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u) << "it holds CHAP secrets";
  EXPECT_FALSE(std::filesystem::exists(path_ + ".new"));

  PersistentState back;
  ASSERT_EQ(store.Load(back), StateStore::LoadResult::kLoaded);
  const PersistentState want = Sample();
  EXPECT_EQ(back.nodeName, want.nodeName);
  EXPECT_EQ(back.chapSecret, want.chapSecret);
  ASSERT_EQ(back.portals.size(), 1u);
  EXPECT_EQ(back.portals[0].portal, want.portals[0].portal);
  EXPECT_EQ(back.portals[0].options, want.portals[0].options);
  ASSERT_EQ(back.staticTargets.size(), 1u);
  EXPECT_EQ(back.staticTargets[0].portals, want.staticTargets[0].portals);
  EXPECT_EQ(back.staticTargets[0].mappings, want.staticTargets[0].mappings);
  ASSERT_EQ(back.persistentLogins.size(), 2u);
  EXPECT_EQ(back.persistentLogins[0].request.mappings, want.persistentLogins[0].request.mappings)
      << "mappings stay with their own login";
  EXPECT_TRUE(back.persistentLogins[1].request.mappings.empty());
  ASSERT_TRUE(back.persistentLogins[0].resolved);
  EXPECT_EQ(*back.persistentLogins[0].resolved, *want.persistentLogins[0].resolved);
  EXPECT_FALSE(back.persistentLogins[1].resolved);
  EXPECT_EQ(back.persistentDevices, want.persistentDevices);
  EXPECT_EQ(back.volumes, want.volumes);

  // A volume record that is not a lettered NTFS partition spoils the file.
  for (const char* bad : {"letter=1", "fs=fat", "offset=0", "offset=100"}) {
    std::string text = EncodeState(want);
    const std::string key = std::string(bad).substr(0, std::string(bad).find('='));
    const auto at = text.find(key + "=", text.find("\nvolume "));
    text.replace(at, text.find_first_of(" \n", at) - at, bad);
    PersistentState state;
    EXPECT_FALSE(DecodeState(text, state)) << bad;
  }
}

TEST_F(StateStoreTest, MissingDamagedAndUnreadableFiles) {
  StateStore store(path_);
  PersistentState state;
  EXPECT_EQ(store.Load(state), StateStore::LoadResult::kMissing);

  std::filesystem::create_directories(dir_ / "sub");
  std::ofstream(path_) << "state v=1\nlogin target=%zz\n";
  std::string error;
  EXPECT_EQ(store.Load(state, &error), StateStore::LoadResult::kCorrupt);
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(std::filesystem::exists(path_));
  EXPECT_TRUE(std::filesystem::exists(path_ + ".corrupt")) << "kept for whoever wants to rescue it";

  std::ofstream(path_) << "state v=2\n";
  EXPECT_EQ(store.Load(state), StateStore::LoadResult::kCorrupt) << "a version this service does not know";

  std::ofstream(path_) << "state v=1\nmapping target_lun=1\n";
  EXPECT_EQ(store.Load(state), StateStore::LoadResult::kCorrupt) << "a mapping that belongs to nothing";

  std::ofstream(path_) << "state v=1 node_name=\nfuture_record x=1\nlogin target=t persistent=1\n";
  ASSERT_EQ(store.Load(state), StateStore::LoadResult::kLoaded) << "records of a newer service are skipped";
  EXPECT_EQ(state.persistentLogins.size(), 1u);

  // A path that cannot be read is left alone, not moved or overwritten.
  std::filesystem::remove(path_);
  std::filesystem::create_directories(path_);
  EXPECT_EQ(store.Load(state), StateStore::LoadResult::kUnreadable);
  EXPECT_TRUE(std::filesystem::is_directory(path_));
}

}  // namespace
}  // namespace sp::iscsid
