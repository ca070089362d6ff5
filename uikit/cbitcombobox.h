#pragma once
// A drop-down list skinned with bitmaps to match the dark pages.
//
// Closed, it draws a left cap, a middle piece stretched between the caps
// and a right cap with the arrow, all from 3 pixels above its top, fills the
// text area (caps excluded, 3 pixels off the top and 8 off the bottom) with
// the face colour and writes the selected text in Arial, 17 pixels, weight
// 600, from x 10. Open, its list (a CBitListBox) is filled with the list
// colour and framed by four edge bitmaps; the item under the mouse or the
// keyboard is drawn in the face colours, the others in the list colours.
//
// The skin parts are bitmap ids of PNG files "<folder>/<id>.png", by default
// in "<programDir>/resource/bitmaps/" (set once with SetDefaultBitmapFolder);
// id 0 or a missing file leaves that part undrawn. The standard skin that
// every page uses is set at construction:
//   left cap 154 (7 x 35), right cap 152 (33 x 35), middle 153 (137 x 35),
//   list edges left 139, right 140 (4 x 17), top 142, bottom 143 (4 x 3),
//   face and list colour grey 30 with white text.
//
//   auto* zone = new CBitComboBox(page, QRect(150, 120, 300, 25));
//   zone->addItem("(GMT) Greenwich Mean Time: Lisbon, London");
#include <QColor>
#include <QComboBox>
#include <QImage>
#include <map>
#include <string>

namespace sp {

class CBitListBox;

class CBitComboBox : public QComboBox {
  Q_OBJECT

 public:
  int leftCap = 154;
  int rightCap = 152;
  int middle = 153;
  int listLeftEdge = 139;
  int listRightEdge = 140;
  int listTopEdge = 142;
  int listBottomEdge = 143;
  QColor faceColor{30, 30, 30};
  QColor faceTextColor{255, 255, 255};
  QColor listColor{30, 30, 30};
  QColor listTextColor{255, 255, 255};

  explicit CBitComboBox(QWidget* parent = nullptr);
  CBitComboBox(QWidget* parent, const QRect& geometry);

  // "<programDir>/resource/bitmaps/"
  static std::string BitmapFolderFor(const std::string& programDir);
  // Folder used by combos that have none of their own (default: the
  // bitmaps folder beside the running program).
  static void SetDefaultBitmapFolder(std::string folder);
  static std::string DefaultBitmapFolder();
  void SetBitmapFolder(std::string folder);
  std::string BitmapFolder() const;

  // The closed box is the selection field plus 3 pixels above and below;
  // the field is 25 pixels high unless told otherwise, so a combo placed
  // with any height is 31 pixels high, as the skin expects.
  void SetSelectionFieldHeight(int height) { setFixedHeight(height + 6); }

  // The bitmap of a skin part (null image for id 0 or a missing file).
  QImage Bitmap(int id) const;

  // Where the closed box's parts go, in the control's coordinates.
  struct FaceLayout {
    QRect leftCap;
    QRect middle;
    QRect rightCap;
    QRect textArea;
  };
  FaceLayout ComputeFaceLayout() const;

  CBitListBox* ListBox() const { return list_; }
  // Left edge of item texts in open lists, shared by all combos: the value
  // last computed by any of them (item left + left-cap width + 5).
  static int ListTextLeft();

  // Painting of the open list, used by CBitListBox: the whole list (fill,
  // edges, item texts), then each item over it.
  void PaintList(QPainter& painter, const CBitListBox& list) const;
  void PaintItem(QPainter& painter, const QRect& rect, int row, bool focused) const;
  // Height of one item of the open list.
  int ItemHeight() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  CBitListBox* list_ = nullptr;
  std::string folder_;
  mutable std::map<int, QImage> cache_;
  mutable std::string cacheFolder_;
};

}  // namespace sp
