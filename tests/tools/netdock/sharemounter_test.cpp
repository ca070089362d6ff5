// The agent's mapping work against a model of the system: which way a share
// is mounted, what is refused, unmapping, and bringing remembered mappings
// back.
#include "tools/netdock/sharemounter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/tools/netdock/fakeagentsystem.h"

namespace sp::netdock {
namespace {

namespace fs = std::filesystem;

class ShareMounterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/sp-mounter-XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    dir_ = fs::canonical(templ).string();
    options_.mountRoot = dir_ + "/mnt";
    options_.rememberedPath = dir_ + "/cfg/netdock/mappings";
    options_.smbnetfsDir = dir_ + "/run/NetDock-smbnetfs";
    options_.home = dir_ + "/home";
    options_.uid = 1000;
    options_.gid = 1001;
    options_.mountInfoPath = FakeAgentSystem::kMountInfo;
    options_.filesystemsPath = FakeAgentSystem::kFilesystems;
    fs::create_directories(options_.mountRoot);
    fs::create_directories(options_.home);
    sys_.netbios["VBX-207"] = "10.77.0.2";
    sys_.reachable.insert("10.77.0.2");
  }
  void TearDown() override { fs::remove_all(dir_); }

  static NetShareTarget Target(char letter, const std::string& host, const std::string& share = "Volume1") {
    NetShareTarget t;
    t.letter = letter;
    t.host = host;
    t.share = share;
    return t;
  }
  std::string Point(char letter) const { return dir_ + "/mnt/" + static_cast<char>(letter - 'A' + 'a'); }
  RememberedConnectionStore Store() const { return RememberedConnectionStore(options_.rememberedPath); }

  std::string dir_;
  MounterOptions options_;
  FakeAgentSystem sys_;
};

TEST_F(ShareMounterTest, WithoutCifsTheShareIsBoundOutOfOneSmbnetfsTree) {
  SmbShareMounter mounter(sys_, options_);
  ASSERT_TRUE(mounter.Map(Target('Z', "VBX-207")));
  const std::string tree = options_.smbnetfsDir;
  // The kernel's client is asked first; the kernel has none.
  ASSERT_EQ(sys_.Count("mount.cifs"), 1);
  EXPECT_EQ(sys_.tools[1].argv[0], "mount.cifs");
  ASSERT_EQ(sys_.Count("smbnetfs"), 1);
  const FakeAgentSystem::Call& start = sys_.tools[2];
  EXPECT_EQ(start.argv, (std::vector<std::string>{"smbnetfs", tree, "-o",
                                                  "config=" + dir_ + "/home/.smb/smbnetfs.conf" +
                                                      ",big_writes,max_write=131072,max_read=131072"}));
  EXPECT_EQ(start.env, (std::vector<std::string>{"HOME=" + dir_ + "/home"}));
  EXPECT_EQ(sys_.tools[0].argv, (std::vector<std::string>{"nmblookup", "VBX-207"}));
  EXPECT_EQ(sys_.PointsUnder(dir_),
            (std::vector<std::string>{"fuse.smbnetfs / " + tree, "fuse.smbnetfs /10.77.0.2/Volume1 " + Point('Z')}));
  EXPECT_EQ(Store().Find('Z'), "\\\\VBX-207\\Volume1");

  // The configuration is private and asks for guest access.
  struct stat st {};
  ASSERT_EQ(stat((dir_ + "/home/.smb/smbnetfs.conf").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  std::stringstream conf;
  conf << std::ifstream(dir_ + "/home/.smb/smbnetfs.conf").rdbuf();
  EXPECT_NE(conf.str().find("auth \"guest\" \"\""), std::string::npos);

  // A second letter reuses the running tree, without asking the kernel
  // again; an address needs no lookup.
  ASSERT_TRUE(mounter.Map(Target('Y', "10.77.0.2")));
  EXPECT_EQ(sys_.Count("smbnetfs"), 1);
  EXPECT_EQ(sys_.Count("mount.cifs"), 1);
  EXPECT_EQ(sys_.Count("nmblookup"), 1);
}

TEST_F(ShareMounterTest, KernelCifsIsMountedDirectlyAsGuestAndAFailureFallsBackToSmbnetfs) {
  sys_.cifsModule = true;  // not loaded yet: the first cifs mount loads it
  options_.allowOther = true;
  SmbShareMounter mounter(sys_, options_);
  ASSERT_TRUE(mounter.Map(Target('Z', "VBX-207")));
  EXPECT_EQ(sys_.Count("smbnetfs"), 0);
  EXPECT_EQ(sys_.tools.back().argv, (std::vector<std::string>{"mount.cifs", "//10.77.0.2/Volume1", Point('Z'), "-o",
                                                              "guest,uid=1000,gid=1001"}));
  EXPECT_TRUE(fs::is_directory(Point('Z')));
  sys_.cifsExit = 32;
  ASSERT_TRUE(mounter.Map(Target('Y', "VBX-207")));
  EXPECT_EQ(sys_.PointsUnder(Point('Y')), (std::vector<std::string>{"fuse.smbnetfs /10.77.0.2/Volume1 " + Point('Y')}));
  EXPECT_EQ(sys_.tools.back().argv[0], "smbnetfs");
  EXPECT_NE(sys_.tools.back().argv[3].find(",allow_other"), std::string::npos);
  // The kernel has CIFS: the next mapping asks it again.
  sys_.cifsExit = 0;
  ASSERT_TRUE(mounter.Map(Target('W', "VBX-207")));
  EXPECT_EQ(sys_.Count("mount.cifs"), 3);
}

TEST_F(ShareMounterTest, NamesAreLookedUpByBroadcastThenByTheResolver) {
  sys_.dns["nas.example"] = "10.77.0.2";
  sys_.dns["LONGNAME-OVER-15-CHARS"] = "10.77.0.2";
  SmbShareMounter mounter(sys_, options_);
  EXPECT_TRUE(mounter.Map(Target('X', "nas.example")));
  EXPECT_EQ(sys_.Count("nmblookup"), 1);  // asked, not found, then DNS
  // Longer than a NetBIOS name can be: no broadcast at all.
  EXPECT_TRUE(mounter.Map(Target('W', "LONGNAME-OVER-15-CHARS")));
  EXPECT_EQ(sys_.Count("nmblookup"), 1);
  EXPECT_FALSE(mounter.Map(Target('V', "nowhere")));
  EXPECT_FALSE(Store().Find('V'));
}

TEST_F(ShareMounterTest, RefusesWhatCannotBeMappedAndLeavesNothingBehind) {
  SmbShareMounter mounter(sys_, options_);
  // The server does not answer: the bind would show a dead directory.
  sys_.netbios["OLDBOX"] = "10.77.0.9";
  EXPECT_FALSE(mounter.Map(Target('Z', "OLDBOX")));
  EXPECT_EQ(sys_.PointsUnder(Point('Z')).size(), 0u);
  EXPECT_FALSE(Store().Find('Z'));
  // smbnetfs cannot start.
  sys_.mounts.clear();
  sys_.smbnetfsStarts = false;
  EXPECT_FALSE(mounter.Map(Target('Z', "VBX-207")));
  sys_.smbnetfsStarts = true;
  // A local volume holds the letter: it stays, nothing is mounted over it.
  sys_.mounts.push_back({Point('E'), "fuseblk", "/dev/loop3", "/"});
  EXPECT_FALSE(mounter.Map(Target('E', "VBX-207")));
  EXPECT_EQ(sys_.PointsUnder(Point('E')), (std::vector<std::string>{"fuseblk / " + Point('E')}));
  // The same mapping twice is fine and mounts once.
  ASSERT_TRUE(mounter.Map(Target('Z', "VBX-207")));
  ASSERT_TRUE(mounter.Map(Target('Z', "VBX-207")));
  EXPECT_EQ(sys_.PointsUnder(Point('Z')).size(), 1u);
  // Another share on a mapped letter is refused.
  EXPECT_FALSE(mounter.Map(Target('Z', "VBX-207", "Other")));
}

TEST_F(ShareMounterTest, DeadTreeIsClearedAndStartedAgain) {
  SmbShareMounter mounter(sys_, options_);
  ASSERT_TRUE(mounter.Map(Target('Z', "VBX-207")));
  sys_.smbnetfsAlive = false;
  ASSERT_TRUE(mounter.Unmap('Z'));
  ASSERT_TRUE(mounter.Map(Target('Z', "VBX-207")));
  EXPECT_EQ(sys_.Count("smbnetfs"), 2);
  // One tree, not a stale one under a new one.
  EXPECT_EQ(sys_.PointsUnder(options_.smbnetfsDir).size(), 1u);
}

TEST_F(ShareMounterTest, UnmapTakesOffNetworkLayersOnlyAndForgets) {
  SmbShareMounter mounter(sys_, options_);
  EXPECT_FALSE(mounter.Unmap('Z'));  // nothing there
  ASSERT_TRUE(mounter.Map(Target('Z', "VBX-207")));
  // Mapped twice over by hand, and busy.
  sys_.mounts.push_back({Point('Z'), "fuse.smbnetfs", "smbnetfs", "/10.77.0.2/Volume1"});
  sys_.busy.insert(Point('Z'));
  EXPECT_TRUE(mounter.Unmap('Z'));
  EXPECT_TRUE(sys_.PointsUnder(Point('Z')).empty());
  EXPECT_FALSE(Store().Find('Z'));
  // The tree stays for the next mapping.
  EXPECT_EQ(sys_.PointsUnder(options_.smbnetfsDir).size(), 1u);

  // A local volume at a remembered letter: forgotten, not unmounted.
  ASSERT_TRUE(Store().Remember('E', "\\\\VBX-207\\Volume1"));
  sys_.mounts.push_back({Point('E'), "fuseblk", "/dev/loop3", "/"});
  EXPECT_TRUE(mounter.Unmap('E'));
  EXPECT_EQ(sys_.PointsUnder(Point('E')).size(), 1u);
  EXPECT_FALSE(Store().Find('E'));
}

TEST_F(ShareMounterTest, RestoreBringsBackWhatCanBeReached) {
  ASSERT_TRUE(Store().Remember('Z', "\\\\VBX-207\\Volume1"));
  ASSERT_TRUE(Store().Remember('Y', "\\\\GONE\\Volume1"));
  ASSERT_TRUE(Store().Remember('X', "\\\\10.77.0.2\\Volume1"));
  ASSERT_TRUE(Store().Remember('E', "\\\\VBX-207\\Volume1"));
  sys_.mounts.push_back({Point('E'), "fuseblk", "/dev/loop3", "/"});  // letter now taken locally
  SmbShareMounter mounter(sys_, options_);
  ASSERT_TRUE(mounter.Map(Target('X', "10.77.0.2")));
  const auto before = sys_.mounts.size();
  EXPECT_EQ(mounter.RestoreRemembered(), (std::vector<char>{'E', 'Y'}));
  // Z came back; X was there already; E keeps its local volume.
  EXPECT_EQ(sys_.mounts.size(), before + 1);
  EXPECT_EQ(sys_.PointsUnder(Point('Z')), (std::vector<std::string>{"fuse.smbnetfs /10.77.0.2/Volume1 " + Point('Z')}));
  EXPECT_EQ(Store().Load().size(), 4u);  // the unavailable ones stay remembered
}

TEST_F(ShareMounterTest, AsTheUserTheServiceMountsOrHandsOverTheFolder) {
  options_.viaService = true;
  sys_.serviceRoot = options_.mountRoot;
  sys_.kernelHasCifs = true;
  SmbShareMounter mounter(sys_, options_);
  ASSERT_TRUE(mounter.Map(Target('Y', "VBX-207")));
  ASSERT_EQ(sys_.serviceRequests.size(), 1u);
  const ControlRecord& mount = sys_.serviceRequests[0];
  EXPECT_EQ(mount.fields(), (std::vector<std::pair<std::string, std::string>>{{"v", "1"},
                                                                              {"op", "mount_share"},
                                                                              {"letter", "y"},
                                                                              {"share", "Volume1"},
                                                                              {"host", "VBX-207"},
                                                                              {"address", "10.77.0.2"}}));
  EXPECT_EQ(sys_.Count("mount.cifs"), 0);
  ASSERT_TRUE(mounter.Unmap('Y'));
  EXPECT_TRUE(sys_.PointsUnder(Point('Y')).empty());
  EXPECT_EQ(sys_.serviceRequests.back().Get("forget"), "1");

  // Without kernel CIFS: the service's folder, the user's own smbnetfs of
  // the one share there, and fusermount3 to take it away.
  sys_.kernelHasCifs = false;
  sys_.serviceRequests.clear();
  ASSERT_TRUE(mounter.Map(Target('Y', "VBX-207")));
  ASSERT_EQ(sys_.serviceRequests.size(), 2u);
  EXPECT_EQ(sys_.serviceRequests[1].Get("op"), "drive_point");
  EXPECT_EQ(sys_.PointsUnder(Point('Y')), (std::vector<std::string>{"fuse.smbnetfs / " + Point('Y')}));
  EXPECT_NE(sys_.tools.back().argv[3].find(",modules=subdir,subdir=/10.77.0.2/Volume1,"), std::string::npos);
  EXPECT_EQ(sys_.Count("smbnetfs"), 1) << "no tree of every server";
  ASSERT_TRUE(mounter.Map(Target('X', "VBX-207")));
  EXPECT_EQ(sys_.serviceRequests.size(), 3u) << "CIFS is not asked for again";
  sys_.busy.insert(Point('Y'));
  ASSERT_TRUE(mounter.Unmap('Y'));
  EXPECT_EQ(sys_.tools.back().argv, (std::vector<std::string>{"fusermount3", "-u", "-z", Point('Y')}));
  EXPECT_TRUE(sys_.PointsUnder(Point('Y')).empty());
  EXPECT_EQ(sys_.PointsUnder(Point('X')).size(), 1u);
}

TEST_F(ShareMounterTest, ExistingUserConfigurationIsKeptButMadePrivate) {
  fs::create_directories(options_.home + "/.smb");
  const std::string conf = options_.home + "/.smb/smbnetfs.conf";
  std::ofstream(conf) << "auth \"me\" \"secret\"\n";
  chmod(conf.c_str(), 0644);
  SmbShareMounter mounter(sys_, options_);
  ASSERT_TRUE(mounter.Map(Target('Z', "VBX-207")));
  std::stringstream text;
  text << std::ifstream(conf).rdbuf();
  EXPECT_EQ(text.str(), "auth \"me\" \"secret\"\n");
  struct stat st {};
  ASSERT_EQ(stat(conf.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

}  // namespace
}  // namespace sp::netdock
