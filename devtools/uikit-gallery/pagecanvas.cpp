#include "devtools/uikit-gallery/pagecanvas.h"

#include <QDir>
#include <cstdarg>

#include "base/text.h"
#include "resource/languagemodule.h"

namespace sp::gallery {

std::u16string Markup(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string narrow = FormatV(format, args);
  va_end(args);
  return Utf8ToUtf16(narrow);
}

std::string Text(int id) { return LoadText(nullptr, id); }

std::u16string TitleMarkup(int id) {
  return Markup("<font face=Arial size=5 color=%s><b>%s</b></font>", "#3DB4E9", Text(id).c_str());
}

std::u16string LabelMarkup(int id, const char* color) {
  return Markup("<font face=Arial size=%d color=%s>%s</font>", 4, color, Text(id).c_str());
}

std::u16string HeadingMarkup(int id) {
  return Markup("<font face=Arial size=%d color=%s><B>%s</B></font>", 4, "white", Text(id).c_str());
}

PageCanvas::PageCanvas(SurfaceKind kind, QSize size, const std::string& imageFolder)
    : folder_(imageFolder), page_(std::make_unique<QWidget>()), surface_(kind) {
  if (!folder_.empty() && folder_.back() != '/') folder_ += '/';
  page_->setFixedSize(size);
  page_->setAttribute(Qt::WA_DontShowOnScreen);
  surface_.Create(page_.get());
  surface_.SetImageFolder(folder_);
  surface_.SetCurrentPage(true);
}

PageCanvas::~PageCanvas() = default;

void PageCanvas::Compose(const std::string& list) {
  surface_.ReplaceList(list);
  surface_.Compose();
}

CHTMLStatic* PageCanvas::Label(const QRect& geometry, std::u16string markup) {
  return new CHTMLStatic(page_.get(), geometry, std::move(markup));
}

CHoverButtonEx* PageCanvas::Button(const QRect& geometry, const QString& caption, const char* strip) {
  auto* b = new CHoverButtonEx(page_.get(), geometry, caption);
  b->SetImages(folder_ + strip, folder_ + "cbackground.jpg");
  return b;
}

void PageCanvas::StandardButtons(bool back, bool next, bool cancel) {
  if (back) Button(QRect(222, 413, 104, 39), QStringLiteral("Back"), "btn-back.png");
  if (next) Button(QRect(336, 413, 104, 39), QStringLiteral("Next"), "btn-next.png");
  if (cancel) Button(QRect(449, 413, 104, 39), QStringLiteral("Cancel"), "btn-cancel.png");
}

QImage PageCanvas::Grab() {
  page_->show();
  return page_->grab().toImage();
}

std::string PageCanvas::Save(const std::string& out, const std::string& name) {
  std::vector<std::string> written;
  SaveImage(Grab(), out, name, written);
  return written.empty() ? std::string() : written.front();
}

void SaveImage(const QImage& image, const std::string& out, const std::string& name,
               std::vector<std::string>& written) {
  QDir().mkpath(QString::fromStdString(out));
  const std::string path = out + "/" + name + ".png";
  if (image.save(QString::fromStdString(path), "PNG")) written.push_back(path);
}

}  // namespace sp::gallery
