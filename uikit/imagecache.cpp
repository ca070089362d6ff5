#include "uikit/imagecache.h"

#include <map>
#include <utility>

namespace sp {

QImage SharedImage(const std::string& path, QImage::Format format) {
  static std::map<std::pair<std::string, int>, QImage> cache;
  const auto key = std::make_pair(path, static_cast<int>(format));
  if (const auto it = cache.find(key); it != cache.end()) return it->second;  // an implicitly shared copy
  QImage image(QString::fromStdString(path));
  if (image.isNull()) return image;
  if (format != QImage::Format_Invalid) image = image.convertToFormat(format);
  cache.emplace(key, image);
  return image;
}

}  // namespace sp
