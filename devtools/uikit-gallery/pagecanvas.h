#pragma once
// A stand-in page for the gallery: a widget of the page's size with its
// layer surface, on which labels, buttons and controls are placed the way
// the wizard's pages place them.
#include <QImage>
#include <QString>
#include <QWidget>
#include <memory>
#include <string>

#include "uikit/choverbuttonex.h"
#include "uikit/chtmlstatic.h"
#include "uikit/clayersurface.h"

namespace sp::gallery {

// Markup from a printf format (UTF-8), as the pages build it.
std::u16string Markup(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Text `id` of the built-in English table.
std::string Text(int id);

// The wizard's label forms.
std::u16string TitleMarkup(int id);                               // size 5, #3DB4E9, bold
std::u16string LabelMarkup(int id, const char* color = "white");  // size 4
std::u16string HeadingMarkup(int id);                             // size 4, white, bold

class PageCanvas {
 public:
  PageCanvas(SurfaceKind kind, QSize size, const std::string& imageFolder);
  ~PageCanvas();

  QWidget* page() { return page_.get(); }
  CLayerSurface& surface() { return surface_; }
  const std::string& folder() const { return folder_; }

  // Replaces the list and composes it at once.
  void Compose(const std::string& list);
  CHTMLStatic* Label(const QRect& geometry, std::u16string markup);
  CHoverButtonEx* Button(const QRect& geometry, const QString& caption, const char* strip);
  // Back, Next and Cancel at their standard places.
  void StandardButtons(bool back = true, bool next = true, bool cancel = true);

  QImage Grab();
  // Writes the page to `<out>/<name>.png`; returns the path ("" on failure).
  std::string Save(const std::string& out, const std::string& name);

 private:
  std::string folder_;
  std::unique_ptr<QWidget> page_;
  CLayerSurface surface_;
};

// Writes `image` to `<out>/<name>.png` and records the path.
void SaveImage(const QImage& image, const std::string& out, const std::string& name, std::vector<std::string>& written);

}  // namespace sp::gallery
