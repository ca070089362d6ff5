// artgen: draws every picture of the wizard's resource folder.
//
//   artgen --out DIR [--preview DIR2] [--only NAME]
//
// Writes DIR/english/<file> and DIR/bitmaps/<id>.png; with --preview, also
// composes the pages' real layer lists from the written files into DIR2.
#include "devtools/artgen/artkit.h"
#include "devtools/artgen/assets.h"
#include "devtools/artgen/preview.h"

#include <QDir>
#include <QGuiApplication>
#include <QStringList>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace {

int Usage() {
  std::fprintf(stderr, "usage: artgen --out DIR [--preview DIR] [--only NAME]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // The generator never shows a window; it must run on machines without a
  // display, so it chooses the offscreen platform itself.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
    // Qt wants a private runtime folder; builds often run without a session.
    const QByteArray dir = QDir::tempPath().toUtf8() + "/artgen-runtime-" + QByteArray::number(getuid());
    mkdir(dir.constData(), 0700);
    qputenv("XDG_RUNTIME_DIR", dir);
  }
  QGuiApplication app(argc, argv);

  QString out;
  QString preview;
  QString only;
  const QStringList args = app.arguments();
  for (int i = 1; i < args.size(); ++i) {
    const QString& a = args[i];
    if (i + 1 >= args.size()) return Usage();
    if (a == QLatin1String("--out"))
      out = args[++i];
    else if (a == QLatin1String("--preview"))
      preview = args[++i];
    else if (a == QLatin1String("--only"))
      only = args[++i];
    else
      return Usage();
  }
  if (out.isEmpty()) return Usage();

  int failures = 0;
  for (const sp::art::Asset& asset : sp::art::AllAssets()) {
    if (!only.isEmpty() && asset.name != only) continue;
    const QDir dir(out + QLatin1Char('/') + asset.folder);
    if (!dir.mkpath(QStringLiteral("."))) {
      std::fprintf(stderr, "artgen: cannot create %s\n", qPrintable(dir.path()));
      return 1;
    }
    const QImage img = asset.draw();
    const QString path = dir.filePath(asset.name);
    const bool ok =
        asset.name.endsWith(QLatin1String(".jpg")) ? sp::art::SaveJpeg(img, path, 95) : sp::art::SavePng(img, path);
    if (!ok) {
      std::fprintf(stderr, "artgen: cannot write %s\n", qPrintable(path));
      ++failures;
    }
  }
  if (failures == 0 && !preview.isEmpty() && !sp::art::WritePreview(out, preview)) ++failures;
  return failures == 0 ? 0 : 1;
}
