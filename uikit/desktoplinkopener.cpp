#include "uikit/desktoplinkopener.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace sp {

namespace {
constexpr int kOpened = 33;
constexpr int kFileNotFound = 2;
constexpr int kPathNotFound = 3;
constexpr int kNoAssociation = 31;
}  // namespace

int OpenLinkWithDesktop(const std::u16string& link) {
  const QString text = QString::fromStdU16String(link).trimmed();
  if (text.isEmpty()) return kFileNotFound;
  const QUrl url = QUrl::fromUserInput(text, QDir::currentPath());
  if (!url.isValid()) return kFileNotFound;
  if (url.isLocalFile()) {
    const QFileInfo info(url.toLocalFile());
    if (!info.exists()) return info.dir().exists() ? kFileNotFound : kPathNotFound;
  }
  if (QDesktopServices::openUrl(url)) return kOpened;
  // The platform offered no handler: ask xdg-open directly.
  if (QProcess::startDetached(QStringLiteral("xdg-open"), {url.toString()})) return kOpened;
  return kNoAssociation;
}

}  // namespace sp
