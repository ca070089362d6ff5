#pragma once
// Making and laying out the controls of a page: labels (CHTMLStatic) and
// image buttons (CHoverButtonEx) named by their control ids, markup built
// from printf formats, and the markup forms the pages share.
#include <QRect>
#include <QString>
#include <QWidget>
#include <string>

#include "uikit/choverbuttonex.h"
#include "uikit/chtmlstatic.h"

namespace sp {

// The label forms of the pages.
inline constexpr char kTitleFormat[] = "<font face=Arial size=5 color=%s><b>%s</b></font>";
inline constexpr char kTitleColour[] = "#3DB4E9";
inline constexpr char kTextFormat[] = "<font face=Arial size=%d color=%s>%s</font>";
inline constexpr char kBoldTextFormat[] = "<font face=Arial size=%d color=%s><B>%s</B></font>";
inline constexpr int kTextSize = 4;

// The standard buttons of a page, 104 x 39.
inline constexpr QRect kBackButtonRect(222, 413, 104, 39);
inline constexpr QRect kNextButtonRect(336, 413, 104, 39);
inline constexpr QRect kCancelButtonRect(449, 413, 104, 39);
inline constexpr char kButtonBackground[] = "cbackground.jpg";

// Pages are 563 pixels wide, placed at (157, 64) in the main window.
inline constexpr int kPageWidth = 563;
inline constexpr int kPageHeight = 467;

// printf-style markup (UTF-8 arguments) as the wide text a label takes.
std::u16string MarkupText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A label of `page` with control id `controlId`, hidden until placed.
CHTMLStatic* MakeLabel(QWidget* page, int controlId);
// Moves and sizes the label, gives it `markup` and shows or hides it.
void PlaceLabel(CHTMLStatic* label, const QRect& rect, std::u16string markup, bool shown);

// An image button of `page` with control id `controlId`: placed at `rect`,
// skinned with `strip` over the page background from `imageFolder`, shown.
// It is never a default button (Enter does not press it).
CHoverButtonEx* MakeImageButton(QWidget* page, int controlId, const QRect& rect, const QString& caption,
                                const std::string& imageFolder, const char* strip);

// The control of `page` with id `controlId`, or null.
template <class T = QWidget>
T* Control(const QWidget* page, int controlId) {
  return page->findChild<T*>(QString::number(controlId), Qt::FindDirectChildrenOnly);
}

}  // namespace sp
