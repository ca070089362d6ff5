#pragma once
// Shared pieces of the toolkit's offscreen widget tests.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QColor>
#include <QImage>
#include <QWidget>
#include <filesystem>
#include <string>

namespace sp::test {

// A fresh folder for one test's images, removed afterwards.
class WidgetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() / ("sp-uikit-" + std::to_string(getpid()) + "-" + info->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Dir() const { return dir_.string() + "/"; }
  std::string Path(const std::string& name) const { return Dir() + name; }

  std::filesystem::path dir_;
};

// The widget as it would appear on screen (its parents' painting included
// only when `withParent` grabs the parent's area).
inline QImage Shot(QWidget* w) { return w->grab().toImage(); }

inline QColor Rgb(const QImage& img, int x, int y) {
  const QColor c = img.pixelColor(x, y);
  return QColor(c.red(), c.green(), c.blue());
}

}  // namespace sp::test
