#pragma once
// The page stack's host: one window that hosts several pages (TStackedPage)
// in the same rectangle and shows exactly one of them at a time.
//
// AddPage(id) asks CreatePage for the page, makes it a hidden, disabled child,
// runs its initialisation, moves its top-left corner to the placeholder
// control (the child whose object name is the placeholder id, "1000" by
// default), enables it and calls OnPageCreated. ShowPage(id) hides the page
// shown now (OnPageHidden, hide, OnPageChanged(old, false)) and shows the
// requested one (show, repaint at once, OnPageShown, OnPageChanged(id, true)).
// EnterPage(id) is how the wizard moves on: the requested page prepares for
// the visit (OnEnterPage with the id of the page shown now) while that page
// is still shown, then ShowPage(id).
// AddPageLater(id) takes the page's place in that order but makes it only
// when MakeLaterPages() runs, so a host can show its first page before it
// builds the others. Teardown hides, destroys and deletes the pages in the
// order they were added; hosts call DestroyAllPages() from their destructor while their own
// state still exists (the base destructor calls it again, harmlessly).
#include <QDialog>
#include <memory>
#include <vector>

#include "framework/tstackedpage.h"

namespace sp {

class TStackedDialog : public QDialog {
  Q_OBJECT

 public:
  struct PageEntry {
    bool created = false;
    bool later = false;  // added with AddPageLater, not made yet
    bool shown = false;
    int id = 0;
    TStackedPage* page = nullptr;  // owned by the entry until teardown
    TStackedDialog* owner = nullptr;
  };

  explicit TStackedDialog(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
  ~TStackedDialog() override;

  // Creates page `id` and places it; returns its entry. The entry's page is
  // null (and it is not created) when CreatePage gave none.
  PageEntry* AddPage(int id);
  // An entry for page `id` in the order of adding, made by MakeLaterPages.
  void AddPageLater(int id);
  // Makes every page added with AddPageLater and not made yet, in the order
  // of adding, as AddPage does. Returns whether it made any.
  bool MakeLaterPages();
  // Hides the page shown now, if any, and shows page `id`; an id that no
  // entry has only hides the current page.
  void ShowPage(int id);
  // Runs page `id`'s OnEnterPage(id of the page shown now, or 0), then
  // ShowPage(id).
  void EnterPage(int id);
  // Tears all pages down in the order they were added.
  void DestroyAllPages();

  int PageCount() const { return static_cast<int>(entries_.size()); }
  const PageEntry* EntryAt(int index) const { return entries_.at(index).get(); }
  // The page with identifier `id`, or null.
  TStackedPage* PageById(int id) const;
  // Identifier of the page shown now, or 0.
  int ShownPageId() const;

  int PlaceholderId() const { return placeholderId_; }
  void SetPlaceholderId(int id) { placeholderId_ = id; }

 protected:
  // Makes the page object for `id` (not yet initialised); null for ids the
  // host does not know.
  virtual TStackedPage* CreatePage(int id) = 0;
  // Told after page `id` was hidden (shown false) or shown (shown true).
  virtual void OnPageChanged(int id, bool shown) = 0;

 private:
  void MakePage(PageEntry& entry);

  std::vector<std::unique_ptr<PageEntry>> entries_;
  int placeholderId_ = 1000;
};

}  // namespace sp
