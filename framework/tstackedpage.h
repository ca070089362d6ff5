#pragma once
// A page of the page stack: a child widget of its host (TStackedDialog) that
// shares the host's page area with the other pages and is shown one at a
// time. Pages are created once and only shown and hidden afterwards, so each
// keeps its state while the user moves back and forth.
//
// Enter, Return and Escape do nothing on a page: a page never closes itself,
// and image buttons are not default buttons. The hooks run as the host's
// AddPage, ShowPage and teardown describe (tstackeddialog.h).
#include <QWidget>

namespace sp {

class CLayerSurface;

class TStackedPage : public QWidget {
  Q_OBJECT

 public:
  explicit TStackedPage(QWidget* parent = nullptr);

  // The page's own initialisation, run once by AddPage after the page has
  // become a hidden, disabled child of its host and before it is placed.
  // A page may show or hide itself here.
  virtual void OnInitDialog() {}

  // The wizard moves to this page from page `fromPageId` (0: none shown):
  // runs before the page is shown (the host's EnterPage). The page sets
  // itself up for the visit here.
  virtual void OnEnterPage(int fromPageId) { (void)fromPageId; }
  // The page has just been shown.
  virtual void OnPageShown() {}
  // The page is about to be hidden, or the host is tearing the pages down.
  virtual void OnPageHidden() {}
  // The page has just been created and placed.
  virtual void OnPageCreated() {}
  // The page is about to be destroyed.
  virtual void OnPageDestroying() {}

  // The layer surface painted under the page; the host sets its current-page
  // flag while the page is the current one. Null for pages without one.
  virtual CLayerSurface* PageSurface() { return nullptr; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  // A press on a page's background stays with the page: only the main
  // window's own background drags the window.
  void mousePressEvent(QMouseEvent* event) override;
};

// The keys that would confirm or cancel a dialog.
bool IsDialogCloseKey(int key);

}  // namespace sp
