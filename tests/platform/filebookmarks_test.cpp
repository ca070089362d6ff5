// The file manager's places: one contract for the fake and the Linux
// backend (real files in a temporary home), then what only files can show:
// the user's other places kept byte for byte, a foreign file left alone.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "platform/fake/fakefilebookmarks.h"
#include "platform/linux/linuxfilebookmarks.h"

namespace sp {
namespace {

namespace fs = std::filesystem;

std::string Read(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}
void Write(const std::string& path, const std::string& text) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path) << text;
}

constexpr char kUserPlaces[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE xbel>\n<xbel xmlns:bookmark=\"x\">\n"
    " <!-- <bookmark href=\"file:///mnt/x\"> in a comment is no place -->\n"
    " <bookmark href=\"file:///home/ann\">\n  <title>Home</title>\n  <info><metadata/></info>\n </bookmark>\n"
    " <separator/>\n</xbel>\n";

class Places {
 public:
  virtual ~Places() = default;
  virtual IFileBookmarks& Backend() = 0;
  virtual std::map<char, std::string> Held() = 0;
};

class FakePlaces : public Places {
 public:
  IFileBookmarks& Backend() override { return fake_; }
  std::map<char, std::string> Held() override { return fake_.places; }

 private:
  FakeFileBookmarks fake_;
};

class LinuxPlaces : public Places {
 public:
  LinuxPlaces() {
    char pattern[] = "/tmp/places-XXXXXX";
    home_ = mkdtemp(pattern);
    Write(home_ + "/data/user-places.xbel", kUserPlaces);
    backend_ = std::make_unique<LinuxFileBookmarks>(
        LinuxFileBookmarks::Options{home_ + "/config/gtk-3.0/bookmarks", home_ + "/data/user-places.xbel", "/mnt"});
  }
  ~LinuxPlaces() override { fs::remove_all(home_); }
  IFileBookmarks& Backend() override { return *backend_; }
  // What both files hold for /mnt letters; they must agree.
  std::map<char, std::string> Held() override {
    std::map<char, std::string> gtk;
    std::istringstream lines(Read(backend_->GtkFile()));
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind("file:///mnt/", 0) == 0) gtk[static_cast<char>(line[12] - 'a' + 'A')] = line.substr(14);
    }
    std::map<char, std::string> kde;
    const std::string xbel = Read(backend_->KdeFile());
    // (past the comment, which the backend must not take for a place)
    for (auto at = xbel.find("<bookmark href=\"file:///mnt/", xbel.find("-->")); at != std::string::npos;
         at = xbel.find("<bookmark href=\"file:///mnt/", at + 1)) {
      const auto title = xbel.find("<title>", at) + 7;
      kde[static_cast<char>(xbel[at + 28] - 'a' + 'A')] = xbel.substr(title, xbel.find("</title>", title) - title);
    }
    EXPECT_EQ(gtk, kde);
    return gtk;
  }
  std::string home_;
  std::unique_ptr<LinuxFileBookmarks> backend_;
};

template <typename T>
class PlacesContract : public ::testing::Test {
 protected:
  T places;
};
using Backends = ::testing::Types<FakePlaces, LinuxPlaces>;
TYPED_TEST_SUITE(PlacesContract, Backends);

TYPED_TEST(PlacesContract, AddRenameAndRemoveAreIdempotent) {
  IFileBookmarks& b = this->places.Backend();
  EXPECT_TRUE(b.AddDrive('X', "vault-one (X:)"));
  EXPECT_TRUE(b.AddDrive('x', "vault-one (X:)"));
  EXPECT_TRUE(b.AddDrive('Y', "vault-one (Y:)"));
  EXPECT_EQ(this->places.Held(), (std::map<char, std::string>{{'X', "vault-one (X:)"}, {'Y', "vault-one (Y:)"}}));
  EXPECT_TRUE(b.AddDrive('X', "vault-two (X:)"));
  EXPECT_EQ(this->places.Held().at('X'), "vault-two (X:)");
  EXPECT_TRUE(b.RemoveDrive('X'));
  EXPECT_TRUE(b.RemoveDrive('X'));
  EXPECT_EQ(this->places.Held(), (std::map<char, std::string>{{'Y', "vault-one (Y:)"}}));
  EXPECT_FALSE(b.AddDrive('1', "no letter"));
  EXPECT_FALSE(b.RemoveDrive('\0'));
}

TEST(LinuxFileBookmarks, TheUsersOtherPlacesStayByteForByte) {
  LinuxPlaces places;
  const std::string gtk = places.backend_->GtkFile();
  const std::string userGtk = "file:///home/ann/Music Music\nsftp://host/srv\nfile:///mnt/xy not ours";  // no final \n
  Write(gtk, userGtk);
  chmod(gtk.c_str(), 0640);
  ASSERT_TRUE(places.backend_->AddDrive('X', "a & <b> (X:)"));
  EXPECT_EQ(Read(gtk), userGtk + "\nfile:///mnt/x a & <b> (X:)\n");
  EXPECT_NE(Read(places.backend_->KdeFile()).find("<title>a &amp; &lt;b&gt; (X:)</title>"), std::string::npos);
  struct stat st {};
  ASSERT_EQ(stat(gtk.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  ASSERT_TRUE(places.backend_->RemoveDrive('X'));
  EXPECT_EQ(Read(gtk), userGtk + "\n");
  EXPECT_EQ(Read(places.backend_->KdeFile()), kUserPlaces);
  EXPECT_EQ(std::distance(fs::directory_iterator(places.home_ + "/data"), fs::directory_iterator()), 1)
      << "no temporary file left";
}

TEST(LinuxFileBookmarks, AForeignOrMissingPlacesFileIsNotMade) {
  LinuxPlaces places;
  Write(places.backend_->KdeFile(), "not xml at all");
  EXPECT_FALSE(places.backend_->AddDrive('X', "v (X:)"));
  EXPECT_EQ(Read(places.backend_->KdeFile()), "not xml at all");
  EXPECT_EQ(Read(places.backend_->GtkFile()), "file:///mnt/x v (X:)\n") << "the GTK file is made";
  fs::remove(places.backend_->KdeFile());
  EXPECT_TRUE(places.backend_->AddDrive('Y', "v (Y:)"));
  EXPECT_FALSE(fs::exists(places.backend_->KdeFile()));
}

TEST(FileBookmarkText, NamesUrisAndANewXbelFile) {
  EXPECT_EQ(DriveBookmarkName("vault-one", 'x'), "vault-one (X:)");
  EXPECT_EQ(FileUri("/mnt/my drive/ä"), "file:///mnt/my%20drive/%C3%A4");
  const std::optional<std::string> made = WithXbelBookmark("", "file:///mnt/x", "v (X:)");
  ASSERT_TRUE(made);
  EXPECT_EQ(WithoutXbelBookmark(*made, "file:///mnt/x"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<!DOCTYPE xbel>\n<xbel>\n</xbel>\n");
  EXPECT_EQ(WithGtkBookmark("", "file:///mnt/x", "line\nbreak"), "file:///mnt/x line break\n");
}

}  // namespace
}  // namespace sp
