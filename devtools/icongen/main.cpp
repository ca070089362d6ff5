// icongen: writes the program's icon, as the window shows it, in the
// desktop icon theme's sizes for installation:
//
//   icongen --out DIR     writes DIR/<n>x<n>/apps/org.setuppilot.SetupPilot.png
#include <QDir>
#include <QGuiApplication>
#include <QString>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "app/appicon.h"

int main(int argc, char** argv) {
  if (argc != 3 || std::strcmp(argv[1], "--out") != 0) {
    std::fprintf(stderr, "usage: icongen --out DIR\n");
    return 2;
  }
  // Builds run without a display or a session.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
    const QByteArray dir = QDir::tempPath().toUtf8() + "/icongen-runtime-" + QByteArray::number(getuid());
    mkdir(dir.constData(), 0700);
    qputenv("XDG_RUNTIME_DIR", dir);
  }
  QGuiApplication app(argc, argv);
  const QString out = QString::fromLocal8Bit(argv[2]);
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    const QDir dir(QStringLiteral("%1/%2x%2/apps").arg(out).arg(size));
    const QString file = dir.filePath(QStringLiteral("org.setuppilot.SetupPilot.png"));
    if (!dir.mkpath(QStringLiteral(".")) || !sp::DrawApplicationIcon(size).save(file, "PNG")) {
      std::fprintf(stderr, "icongen: cannot write %s\n", qPrintable(file));
      return 1;
    }
  }
  return 0;
}
