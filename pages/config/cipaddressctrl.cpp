#include "pages/config/cipaddressctrl.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <cstdio>

namespace sp {

namespace {
constexpr int kFrame = 2;     // frame width around the octets
constexpr int kDotWidth = 6;  // width of each point
}  // namespace

CIpAddressCtrl::CIpAddressCtrl(QWidget* parent) : QFrame(parent) {
  setFrameShape(QFrame::StyledPanel);
  setFrameShadow(QFrame::Sunken);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  pal.setColor(QPalette::Base, Qt::white);
  pal.setColor(QPalette::Text, Qt::black);
  pal.setColor(QPalette::WindowText, Qt::black);
  setPalette(pal);
  auto* digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this);
  for (int i = 0; i < 4; ++i) {
    auto* e = new QLineEdit(this);
    e->setFrame(false);
    e->setAlignment(Qt::AlignCenter);
    e->setMaxLength(3);
    e->setValidator(digits);
    e->setPalette(pal);
    e->installEventFilter(this);
    e->setObjectName(QStringLiteral("octet%1").arg(i));
    connect(e, &QLineEdit::textEdited, this, [this, i] { OnOctetEdited(i); });
    octets_[i] = e;
    if (i < 3) {
      auto* dot = new QLabel(QStringLiteral("."), this);
      dot->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
      dot->setPalette(pal);
      dots_[i] = dot;
    }
  }
  setFocusProxy(octets_[0]);
  setFocusPolicy(Qt::StrongFocus);
  LayOut();
}

CIpAddressCtrl::CIpAddressCtrl(QWidget* parent, const QRect& geometry) : CIpAddressCtrl(parent) {
  setGeometry(geometry);
}

void CIpAddressCtrl::SetFieldFont(const QFont& font) {
  for (auto* e : octets_) e->setFont(font);
  for (auto* d : dots_) d->setFont(font);
  LayOut();
}

void CIpAddressCtrl::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  LayOut();
}

void CIpAddressCtrl::LayOut() {
  const int inner = width() - 2 * kFrame;
  const int octetWidth = (inner - 3 * kDotWidth) / 4;
  const int h = height() - 2 * kFrame;
  int x = kFrame;
  for (int i = 0; i < 4; ++i) {
    octets_[i]->setGeometry(x, kFrame, octetWidth, h);
    x += octetWidth;
    if (i < 3) {
      dots_[i]->setGeometry(x, kFrame, kDotWidth, h - 2);
      x += kDotWidth;
    }
  }
}

std::string CIpAddressCtrl::Text() const {
  int v[4];
  for (int i = 0; i < 4; ++i) v[i] = octets_[i]->text().toInt();  // blank reads 0
  char buf[16];
  std::snprintf(buf, sizeof buf, "%d.%d.%d.%d", v[0], v[1], v[2], v[3]);
  return buf;
}

bool CIpAddressCtrl::SetText(const std::string& dotted) {
  unsigned v[4];
  char tail = 0;
  const bool ok = std::sscanf(dotted.c_str(), "%3u.%3u.%3u.%3u%c", &v[0], &v[1], &v[2], &v[3], &tail) == 4 &&
                  v[0] <= 255 && v[1] <= 255 && v[2] <= 255 && v[3] <= 255 &&
                  dotted.find_first_not_of("0123456789.") == std::string::npos;
  for (int i = 0; i < 4; ++i) octets_[i]->setText(ok ? QString::number(v[i]) : QString());
  return ok;
}

void CIpAddressCtrl::Clear() {
  for (auto* e : octets_) e->clear();
}

bool CIpAddressCtrl::IsBlank() const {
  for (auto* e : octets_)
    if (!e->text().isEmpty()) return false;
  return true;
}

int CIpAddressCtrl::IndexOf(QObject* o) const {
  for (int i = 0; i < 4; ++i)
    if (octets_[i] == o) return i;
  return -1;
}

void CIpAddressCtrl::FocusOctet(int i, bool atEnd) {
  if (i < 0 || i > 3) return;
  QLineEdit* e = octets_[i];
  e->setFocus(Qt::OtherFocusReason);
  if (atEnd) {
    e->deselect();
    e->setCursorPosition(e->text().size());
  } else {
    e->selectAll();
  }
}

void CIpAddressCtrl::OnOctetEdited(int i) {
  QLineEdit* e = octets_[i];
  if (e->text().toInt() > 255) e->setText(QStringLiteral("255"));
  if (e->text().size() == 3 && e->cursorPosition() == 3 && i < 3) FocusOctet(i + 1, false);
}

bool CIpAddressCtrl::eventFilter(QObject* watched, QEvent* event) {
  const int i = IndexOf(watched);
  if (i < 0 || event->type() != QEvent::KeyPress) return QFrame::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  QLineEdit* e = octets_[i];
  const int pos = e->cursorPosition();
  const bool noSelection = !e->hasSelectedText();
  switch (key->key()) {
    case Qt::Key_Period:
    case Qt::Key_Comma:
    case Qt::Key_Space:
      if (!e->text().isEmpty() && i < 3) FocusOctet(i + 1, false);
      return true;  // never typed into the octet
    case Qt::Key_Backspace:
      if (pos == 0 && noSelection && i > 0) {
        FocusOctet(i - 1, true);
        return true;
      }
      break;
    case Qt::Key_Left:
      if (pos == 0 && noSelection && i > 0) {
        FocusOctet(i - 1, true);
        return true;
      }
      break;
    case Qt::Key_Right:
      if (pos == e->text().size() && noSelection && i < 3) {
        FocusOctet(i + 1, false);
        octets_[i + 1]->setCursorPosition(0);
        return true;
      }
      break;
    case Qt::Key_Home:
      FocusOctet(0, false);
      octets_[0]->setCursorPosition(0);
      return true;
    case Qt::Key_End:
      FocusOctet(3, true);
      return true;
    default:
      break;
  }
  return QFrame::eventFilter(watched, event);
}

}  // namespace sp
