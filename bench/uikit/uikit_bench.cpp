// Speed of the toolkit's hot paths: composing a page's layer list (every
// image read from disk again, as each compose does) and laying out the
// wizard's longest label.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <filesystem>
#include <memory>

#include "base/text.h"
#include "resource/languagemodule.h"
#include "tests/uikit/standinimages.h"
#include "uikit/clayersurface.h"
#include "uikit/core/chtmldrawer.h"
#include "uikit/core/fixedtextmeasurer.h"
#include "uikit/core/htmlmarkup.h"
#include "uikit/qttextmeasurer.h"

namespace {

std::string ImageFolder() {
  static const std::string folder = [] {
    const auto dir = std::filesystem::temp_directory_path() / ("sp-uikit-bench-" + std::to_string(getpid()));
    sp::test::WriteStandInImages((dir / "english").string(), (dir / "bitmaps").string());
    return (dir / "english").string() + "/";
  }();
  return folder;
}

// The install guide's busiest frame: background, three pictures, three strips.
const char* kInstallFrame =
    "cbackground.jpg|0|0|255|0,computer.png|363|99|255|0,router_s.png|183|101|255|0,"
    "VBX-207.png|9|105|255|0,1-power.png|267|8|255|1000,2-line.png|13|100|255|1500,"
    "3-line.png|10|100|255|1000,1-power.png|8|69|255|1000,";
const char* kCheckPassed =
    "cbackground.jpg|0|0|255|0|0|0,check_ico.png|77|110|255|0|0|0,check_ico.png|77|138|255|0|0|0,";

void BM_ComposeInstallFrame(benchmark::State& state) {
  QWidget page;
  page.resize(563, 467);
  sp::CLayerSurface surface(sp::SurfaceKind::Install);
  surface.Create(&page);
  surface.SetImageFolder(ImageFolder());
  surface.ReplaceList(kInstallFrame);
  for (auto _ : state) surface.Compose();
}
BENCHMARK(BM_ComposeInstallFrame)->Unit(benchmark::kMillisecond);

void BM_ComposeCheckPage(benchmark::State& state) {
  QWidget page;
  page.resize(563, 467);
  sp::CLayerSurface surface(sp::SurfaceKind::Check);
  surface.Create(&page);
  surface.SetImageFolder(ImageFolder());
  surface.ReplaceList(kCheckPassed);
  for (auto _ : state) surface.Compose();
}
BENCHMARK(BM_ComposeCheckPage)->Unit(benchmark::kMillisecond);

// Text 158, the longest label, as the disk page shows it (450 x 100).
std::u16string LongestLabel() {
  return sp::Utf8ToUtf16(
      sp::Format("<font face=Arial size=%d color=%s>%s</font>", 4, "DarkOrange", sp::LoadText(nullptr, 158).c_str()));
}

void BM_LayoutLongestLabelFixedMetrics(benchmark::State& state) {
  const std::u16string markup = LongestLabel();
  sp::CHTMLDrawer drawer;
  for (auto _ : state) {
    sp::FixedTextMeasurer m;
    benchmark::DoNotOptimize(drawer.Layout({5, 5, 445, 95}, m, markup, sp::CHTMLFont()));
  }
  state.counters["runs"] = static_cast<double>(drawer.Runs().size());
}
BENCHMARK(BM_LayoutLongestLabelFixedMetrics);

void BM_LayoutLongestLabelQtMetrics(benchmark::State& state) {
  const std::u16string markup = LongestLabel();
  sp::CHTMLDrawer drawer;
  for (auto _ : state) {
    sp::QtTextMeasurer m;
    benchmark::DoNotOptimize(drawer.Layout({5, 5, 445, 95}, m, markup, sp::CHTMLFont()));
  }
  state.counters["runs"] = static_cast<double>(drawer.Runs().size());
}
BENCHMARK(BM_LayoutLongestLabelQtMetrics);

void BM_ParseLongestLabel(benchmark::State& state) {
  const std::u16string markup = LongestLabel();
  for (auto _ : state) benchmark::DoNotOptimize(sp::ParseMarkup(markup, sp::CHTMLFont()));
}
BENCHMARK(BM_ParseLongestLabel);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(std::filesystem::path(ImageFolder()).parent_path().parent_path());
  return 0;
}
