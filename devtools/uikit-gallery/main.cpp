// uikit-gallery: renders the UI toolkit's controls and the wizard's layer
// lists to PNG files, offscreen.
//
//   uikit-gallery --out DIR [--images DIR] [--bitmaps DIR]
//
// --images defaults to resource/english/ beside the program, --bitmaps to
// resource/bitmaps/ beside it.
#include <QApplication>
#include <cstdio>
#include <cstring>
#include <string>

#include "devtools/uikit-gallery/gallery.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const std::string programDir = QCoreApplication::applicationDirPath().toStdString();
  sp::gallery::Options o;
  o.imageFolder = programDir + "/resource/english/";
  o.bitmapFolder = programDir + "/resource/bitmaps/";
  for (int i = 1; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (std::strcmp(argv[i], "--out") == 0 && hasValue)
      o.outFolder = argv[++i];
    else if (std::strcmp(argv[i], "--images") == 0 && hasValue)
      o.imageFolder = argv[++i];
    else if (std::strcmp(argv[i], "--bitmaps") == 0 && hasValue)
      o.bitmapFolder = argv[++i];
    else {
      std::fprintf(stderr, "usage: %s --out DIR [--images DIR] [--bitmaps DIR]\n", argv[0]);
      return 2;
    }
  }
  if (o.outFolder.empty()) {
    std::fprintf(stderr, "usage: %s --out DIR [--images DIR] [--bitmaps DIR]\n", argv[0]);
    return 2;
  }
  const auto written = sp::gallery::RenderGallery(o);
  for (const std::string& f : written) std::printf("%s\n", f.c_str());
  return written.empty() ? 1 : 0;
}
