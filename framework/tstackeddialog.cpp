#include "framework/tstackeddialog.h"

namespace sp {

TStackedDialog::TStackedDialog(QWidget* parent, Qt::WindowFlags flags) : QDialog(parent, flags) {}

TStackedDialog::~TStackedDialog() { DestroyAllPages(); }

TStackedDialog::PageEntry* TStackedDialog::AddPage(int id) {
  entries_.push_back(std::make_unique<PageEntry>());
  PageEntry* entry = entries_.back().get();
  entry->id = id;
  entry->owner = this;
  MakePage(*entry);
  return entry;
}

void TStackedDialog::AddPageLater(int id) {
  entries_.push_back(std::make_unique<PageEntry>());
  entries_.back()->id = id;
  entries_.back()->owner = this;
  entries_.back()->later = true;
}

bool TStackedDialog::MakeLaterPages() {
  bool made = false;
  for (std::size_t i = 0; i < entries_.size(); ++i) {  // a page's set-up may add entries
    PageEntry& entry = *entries_[i];
    if (!entry.later) continue;
    entry.later = false;
    MakePage(entry);
    made = true;
  }
  return made;
}

void TStackedDialog::MakePage(PageEntry& entry) {
  entry.page = CreatePage(entry.id);
  TStackedPage* page = entry.page;
  if (page == nullptr) return;

  // Pages start as hidden, disabled children; their initialisation may show
  // them.
  page->setParent(this);
  page->setVisible(false);
  page->setEnabled(false);
  page->OnInitDialog();

  if (QWidget* placeholder = findChild<QWidget*>(QString::number(placeholderId_))) {
    page->move(placeholder->mapTo(this, QPoint(0, 0)));
  }
  page->setEnabled(true);
  page->OnPageCreated();
  entry.created = true;
}

void TStackedDialog::ShowPage(int id) {
  PageEntry* target = nullptr;
  PageEntry* current = nullptr;
  for (const auto& e : entries_) {
    if (target == nullptr && e->id == id) target = e.get();
    if (current == nullptr && e->shown) current = e.get();
  }
  if (current != nullptr) {
    if (current->page) {
      current->page->OnPageHidden();
      current->page->hide();
    }
    current->shown = false;
    OnPageChanged(current->id, false);
  }
  if (target != nullptr && target->page != nullptr) {
    target->page->show();
    target->page->repaint();
    target->page->OnPageShown();
    target->shown = true;
    OnPageChanged(id, true);
  }
}

void TStackedDialog::EnterPage(int id) {
  if (TStackedPage* page = PageById(id)) page->OnEnterPage(ShownPageId());
  ShowPage(id);
}

void TStackedDialog::DestroyAllPages() {
  for (const auto& e : entries_) {
    if (!e->created) continue;
    e->created = false;
    if (TStackedPage* page = e->page) {
      page->OnPageHidden();
      page->OnPageDestroying();
      page->hide();
      delete page;
      e->page = nullptr;
    }
  }
  entries_.clear();
}

TStackedPage* TStackedDialog::PageById(int id) const {
  for (const auto& e : entries_) {
    if (e->id == id) return e->page;
  }
  return nullptr;
}

int TStackedDialog::ShownPageId() const {
  for (const auto& e : entries_) {
    if (e->shown) return e->id;
  }
  return 0;
}

}  // namespace sp
