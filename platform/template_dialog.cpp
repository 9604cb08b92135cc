#include "template_dialog.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <memory>

#include "accessible_names.h"
#include "pictures.h"
#include "value_label.h"

namespace kelvane {

QString UpperCaseText(const QString& text) {
  QString upper = text;
  for (QChar& ch : upper) {
    // One character for one (no "SS" for a sharp s), and the micro sign stays:
    // its capital is Greek and the transceiver file could not store it.
    if (ch == QChar(0x00B5)) continue;
    ch = ch.toUpper();
  }
  return upper;
}

namespace {

namespace St = res::Style;
using res::ControlKind;

// a * b / c rounded half away from zero.
int MulDiv(int a, int b, int c) {
  const long long p = static_cast<long long>(a) * b;
  const long long q = p / c;
  const long long r = p % c;
  if (2 * (r < 0 ? -r : r) >= c) return static_cast<int>(p < 0 ? q - 1 : q + 1);
  return static_cast<int>(q);
}

constexpr int kLayoutDpi = 96;  // the templates' pixel sizes assume it
// Liberation Sans is about 7 % wider than the font the templates were laid out
// with, so tight captions ("Version 1.1" in 36 units) would be cut off. Narrowed
// to 94 %, its average character width equals the horizontal base unit it gives
// (6 px), as the original font's did.
constexpr int kStandInStretch = 94;

Qt::Alignment HorizontalAlignment(unsigned style) {
  if (style & St::AlignCenter) return Qt::AlignHCenter;
  if (style & St::AlignRight) return Qt::AlignRight;
  return Qt::AlignLeft;
}

bool Has(unsigned style, unsigned bit) { return (style & bit) != 0; }

QLabel* MakeLabel(const res::ControlTemplate& c, QWidget* parent) {
  const bool value = c.kind == ControlKind::ValueLabel;
  auto* label = value ? new ValueLabel(parent) : new QLabel(parent);
  label->setText(QString::fromUtf8(c.caption));
  label->setTextFormat(Qt::PlainText);
  // Static text is drawn from the top and wraps at word boundaries; a value is
  // one number and stays on one line.
  label->setAlignment(HorizontalAlignment(c.style) | Qt::AlignTop);
  label->setWordWrap(!value);
  if (value || Has(c.style, St::Sunken)) {
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setLineWidth(1);
  }
  return label;
}

// Read-only entries show the window's colour behind their text, so that the user
// sees at once that they cannot type there.
void ShowAsReadOnly(QWidget* edit) {
  QPalette palette = edit->palette();
  palette.setBrush(QPalette::Base, palette.brush(QPalette::Window));
  edit->setPalette(palette);
}

bool AllDigits(QStringView text) {
  return std::all_of(text.begin(), text.end(),
                     [](QChar ch) { return ch >= QLatin1Char('0') && ch <= QLatin1Char('9'); });
}

// Typed keys are refused by the key filter; text pasted, dropped or middle-clicked
// in arrives as one edit. Such an edit is undone whole when what it brought in is
// not all digits, or when it makes the text longer than limit() allows (a number
// cut short would be another number). A text the program put there stays,
// whatever it holds.
void RefuseBadPastes(QLineEdit* edit, std::function<int()> limit) {
  auto before = std::make_shared<QString>(edit->text());
  // The edit's own text, not the signal's: a refused edit still announces itself
  // after it has been undone.
  QObject::connect(edit, &QLineEdit::textChanged, edit, [edit, before] { *before = edit->text(); });
  QObject::connect(edit, &QLineEdit::textEdited, edit, [edit, before, limit](const QString& text) {
    const QString& old = *before;
    qsizetype prefix = 0;
    while (prefix < old.size() && prefix < text.size() && old[prefix] == text[prefix]) ++prefix;
    qsizetype suffix = 0;
    while (suffix < old.size() - prefix && suffix < text.size() - prefix &&
           old[old.size() - 1 - suffix] == text[text.size() - 1 - suffix])
      ++suffix;
    const bool tooLong = text.size() > old.size() && text.size() > limit();
    if (!tooLong && AllDigits(QStringView(text).mid(prefix, text.size() - prefix - suffix)))
      return;
    const QString restored = old;
    edit->setText(restored);
    edit->setCursorPosition(static_cast<int>(prefix));
    QApplication::beep();
  });
}

QWidget* MakeEdit(const res::ControlTemplate& c, QWidget* parent) {
  if (Has(c.style, St::Multiline)) {
    auto* edit = new QPlainTextEdit(QString::fromUtf8(c.caption), parent);
    edit->setReadOnly(Has(c.style, St::ReadOnly));
    if (edit->isReadOnly()) ShowAsReadOnly(edit);
    edit->setTabChangesFocus(true);
    edit->setLineWrapMode(Has(c.style, St::HScroll) || Has(c.style, St::AutoHScroll)
                              ? QPlainTextEdit::NoWrap
                              : QPlainTextEdit::WidgetWidth);
    edit->setVerticalScrollBarPolicy(Has(c.style, St::VScroll) ? Qt::ScrollBarAsNeeded
                                                               : Qt::ScrollBarAlwaysOff);
    edit->setHorizontalScrollBarPolicy(Has(c.style, St::HScroll) ? Qt::ScrollBarAsNeeded
                                                                 : Qt::ScrollBarAlwaysOff);
    QTextOption option = edit->document()->defaultTextOption();
    option.setAlignment(HorizontalAlignment(c.style));
    edit->document()->setDefaultTextOption(option);
    return edit;
  }
  auto* edit = new QLineEdit(QString::fromUtf8(c.caption), parent);
  edit->setReadOnly(Has(c.style, St::ReadOnly));
  if (edit->isReadOnly()) ShowAsReadOnly(edit);
  edit->setAlignment(HorizontalAlignment(c.style) | Qt::AlignVCenter);
  if (Has(c.style, St::UpperCase)) {
    // Typed keys are converted by the key filter; this catches pasted and
    // dropped text, so lower case never reaches the program.
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
      const QString upper = UpperCaseText(text);
      if (upper == text) return;
      const int cursor = edit->cursorPosition();
      edit->setText(upper);
      edit->setCursorPosition(std::min<int>(cursor, edit->text().size()));
    });
  }
  return edit;
}

QListWidget* MakeList(const res::ControlTemplate& c, QWidget* parent) {
  auto* list = new QListWidget(parent);
  list->setUniformItemSizes(true);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setSortingEnabled(Has(c.style, St::Sorted));
  list->setVerticalScrollBarPolicy(Has(c.style, St::VScroll) ? Qt::ScrollBarAsNeeded
                                                             : Qt::ScrollBarAlwaysOff);
  list->setHorizontalScrollBarPolicy(Has(c.style, St::HScroll) ? Qt::ScrollBarAsNeeded
                                                               : Qt::ScrollBarAlwaysOff);
  // A single-choice list always keeps its current entry chosen: a Ctrl+click or
  // Ctrl+Space on it must not leave the list without a highlighted entry.
  QObject::connect(list, &QListWidget::itemSelectionChanged, list, [list] {
    QListWidgetItem* current = list->currentItem();
    if (current && !current->isSelected()) current->setSelected(true);
  });
  return list;
}

QComboBox* MakeDropDown(const res::ControlTemplate& c, QWidget* parent) {
  auto* combo = new QComboBox(parent);
  combo->setEditable(false);
  if (Has(c.style, St::Sorted)) combo->setInsertPolicy(QComboBox::InsertAlphabetically);
  if (Has(c.style, St::UpperCase)) {
    // Entries are stored as the program adds them but shown in upper case, as the
    // control converts them on insertion.
    QAbstractItemModel* model = combo->model();
    QObject::connect(model, &QAbstractItemModel::rowsInserted, combo,
                     [model](const QModelIndex& parentIndex, int first, int last) {
                       for (int row = first; row <= last; ++row) {
                         const QModelIndex index = model->index(row, 0, parentIndex);
                         const QString text = model->data(index, Qt::DisplayRole).toString();
                         const QString upper = UpperCaseText(text);
                         if (upper != text) model->setData(index, upper, Qt::DisplayRole);
                       }
                     });
  }
  return combo;
}

QFrame* MakeLine(const res::ControlTemplate& c, QWidget* parent) {
  auto* line = new QFrame(parent);
  line->setFrameShape(c.width <= c.height ? QFrame::VLine : QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}

QPushButton* MakePushButton(const res::ControlTemplate& c, QWidget* parent) {
  auto* button = new QPushButton(QString::fromUtf8(c.caption), parent);
  button->setFlat(Has(c.style, St::Flat));
  if (c.kind == ControlKind::DefPushButton) button->setDefault(true);
  return button;
}

// A group box drawn the way the templates expect: an etched frame whose top line
// runs through the middle of the title, the title interrupting it. (Styles that
// put the title above the frame push the frame onto the controls beneath.)
class EtchedGroupBox : public QGroupBox {
 public:
  using QGroupBox::QGroupBox;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const QFontMetrics metrics(font());
    const QRect frame = rect().adjusted(0, GroupBoxFrameTop(metrics), -1, -1);
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(frame.adjusted(0, 0, -1, -1));
    p.setPen(palette().color(QPalette::Light));
    p.drawRect(frame.adjusted(1, 1, 0, 0));
    if (title().isEmpty()) return;
    const int indent = metrics.averageCharWidth() + 1;
    const QRect text(indent, 0, metrics.horizontalAdvance(title()), metrics.height());
    p.fillRect(text, palette().brush(QPalette::Window));
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                             QPalette::WindowText));
    p.drawText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, title());
  }
};

bool TakesFocus(ControlKind kind) {
  switch (kind) {
    case ControlKind::Label:
    case ControlKind::ValueLabel:
    case ControlKind::GroupBox:
    case ControlKind::ProgressBar:
    case ControlKind::Line:
    case ControlKind::Picture:
      return false;
    default:
      return true;
  }
}

}  // namespace

void InstallFontSubstitutions() {
  static const QString kTemplateFamily = QStringLiteral("MS Sans Serif");
  static const QString kStandIn = QStringLiteral("Liberation Sans");
  if (!QFont::substitutes(kTemplateFamily).contains(kStandIn, Qt::CaseInsensitive))
    QFont::insertSubstitution(kTemplateFamily, kStandIn);
}

QFont DialogFont(const res::DialogTemplate& t) {
  InstallFontSubstitutions();
  QFont font(QString::fromUtf8(t.fontFamily));
  font.setPixelSize(MulDiv(t.fontPointSize, kLayoutDpi, 72));
  font.setStretch(kStandInStretch);
  return font;
}

BaseUnits BaseUnitsOf(const QFont& font) {
  const QFontMetrics metrics(font);
  const int width =
      metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return BaseUnits{(width / 26 + 1) / 2, metrics.height()};
}

int GroupBoxFrameTop(const QFontMetrics& metrics) { return metrics.height() / 2; }

int DluToPixelsX(int dlu, const BaseUnits& units) { return MulDiv(dlu, units.x, 4); }
int DluToPixelsY(int dlu, const BaseUnits& units) { return MulDiv(dlu, units.y, 8); }

TemplateDialog::TemplateDialog(const res::DialogTemplate& t, QWidget* parent)
    : QDialog(parent), template_(t) {
  res::LoadPictures();
  const QFont font = DialogFont(t);
  units_ = BaseUnitsOf(font);
  setFont(font);
  setWindowTitle(QString::fromUtf8(t.caption));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

  layout_ = new QVBoxLayout(this);
  layout_->setContentsMargins(0, 0, 0, 0);
  layout_->setSpacing(0);
  layout_->setSizeConstraint(QLayout::SetFixedSize);
  client_ = new QWidget(this);
  client_->setFixedSize(DluToPixelsX(t.width, units_), DluToPixelsY(t.height, units_));
  layout_->addWidget(client_);

  int index = 0;
  for (const res::ControlTemplate& c : t.controls) {
    QWidget* w = createControl(c, index);
    const QString name = AccessibleNameOf(t, static_cast<std::size_t>(index));
    if (!name.isEmpty()) w->setAccessibleName(name);
    controls_.append(w);
    indexOf_.insert(w, index);
    if (c.id != res::kNoId && !byId_.contains(c.id)) byId_.insert(c.id, w);
    ++index;
  }
  // Group boxes are drawn behind the controls they frame and must not take their clicks.
  for (QWidget* w : controls_) {
    if (qobject_cast<QGroupBox*>(w)) w->lower();
  }
  // On Linux a drop-down list is announced by its current entry unless a label
  // is related to it; Qt relates the titled group box a widget lies in.
  for (qsizetype i = 0; i < controls_.size(); ++i) {
    const auto index = static_cast<std::size_t>(i);
    if (t.controls[index].kind != ControlKind::DropDownList) continue;
    if (const auto group = NamingGroupBoxOf(t, index)) {
      QWidget* box = controls_[static_cast<qsizetype>(*group)];
      QWidget* list = controls_[i];
      const QRect place(box->mapFrom(client_, list->pos()), list->size());
      const bool hidden = list->isHidden();
      list->setParent(box);
      list->setGeometry(place);
      list->setHidden(hidden);
    }
  }
  // Qt's focus chain follows creation order, which is template order; make it explicit
  // so that later re-parenting or raising cannot change it.
  QWidget* previous = nullptr;
  for (QWidget* w : controls_) {
    if (w->focusPolicy() == Qt::NoFocus) continue;
    if (previous) setTabOrder(previous, w);
    previous = w;
  }
}

QWidget* TemplateDialog::createControl(const res::ControlTemplate& c, int index) {
  Q_UNUSED(index);
  QWidget* parent = client_;
  QWidget* w = nullptr;
  if (Has(c.style, St::Group)) radioGroup_ = nullptr;

  switch (c.kind) {
    case ControlKind::Edit:
      w = MakeEdit(c, parent);
      w->installEventFilter(this);
      if (auto* edit = qobject_cast<QLineEdit*>(w); edit && Has(c.style, St::DigitsOnly)) {
        RefuseBadPastes(edit, [this, edit] { return textLimit_.value(edit, edit->maxLength()); });
      }
      break;
    case ControlKind::Label:
    case ControlKind::ValueLabel:
      w = MakeLabel(c, parent);
      break;
    case ControlKind::GroupBox:
      w = new EtchedGroupBox(QString::fromUtf8(c.caption), parent);
      break;
    case ControlKind::PushButton:
    case ControlKind::DefPushButton:
      w = MakePushButton(c, parent);
      break;
    case ControlKind::RadioButton: {
      // Exclusive through its group; auto-exclusive as well, which changes nothing
      // within a group but is how Qt tells screen readers it is a radio button.
      auto* radio = new QRadioButton(QString::fromUtf8(c.caption), parent);
      if (!radioGroup_) {
        radioGroup_ = new QButtonGroup(this);
        radioGroup_->setExclusive(true);
      }
      radioGroup_->addButton(radio);
      w = radio;
      break;
    }
    case ControlKind::CheckBox:
      w = new QCheckBox(QString::fromUtf8(c.caption), parent);
      break;
    case ControlKind::ListBox:
      w = MakeList(c, parent);
      break;
    case ControlKind::DropDownList:
      w = MakeDropDown(c, parent);
      break;
    case ControlKind::ProgressBar: {
      auto* bar = new QProgressBar(parent);
      bar->setTextVisible(false);
      bar->setRange(0, 100);
      bar->setValue(0);
      w = bar;
      break;
    }
    case ControlKind::Line:
      w = MakeLine(c, parent);
      break;
    case ControlKind::Picture: {
      auto* picture = new QLabel(parent);
      const QString path = QString::fromUtf8(c.caption);
      if (!path.isEmpty()) picture->setPixmap(QPixmap(path));
      picture->setAlignment(Qt::AlignCenter);
      w = picture;
      break;
    }
  }

  QRect rect = dluRect(c.x, c.y, c.width, c.height);
  if (c.kind == ControlKind::DropDownList) {
    // The template gives the height with the list dropped down; closed, the box is
    // as high as its style needs, and the list shows what fits in the rest.
    auto* combo = static_cast<QComboBox*>(w);
    const int closed = combo->sizeHint().height();
    const int rowHeight = QFontMetrics(font()).height() + 2;
    combo->setMaxVisibleItems(qMax(1, (rect.height() - closed) / qMax(1, rowHeight)));
    rect.setHeight(closed);
  } else if (c.kind == ControlKind::Picture && !Has(c.style, St::CenterImage)) {
    auto* picture = static_cast<QLabel*>(w);
    const QPixmap pixmap = picture->pixmap();
    if (!pixmap.isNull()) {
      rect.setSize(pixmap.deviceIndependentSize().toSize());
      picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
  }
  w->setGeometry(rect);

  if (Has(c.style, St::Disabled)) w->setEnabled(false);
  if (Has(c.style, St::Hidden)) w->setVisible(false);  // stays hidden when the dialog shows
  if (TakesFocus(c.kind))
    w->setFocusPolicy(Has(c.style, St::TabStop) ? Qt::StrongFocus : Qt::ClickFocus);
  else
    w->setFocusPolicy(Qt::NoFocus);
  if (c.id != res::kNoId) w->setObjectName(QStringLiteral("control%1").arg(c.id));
  return w;
}

QWidget* TemplateDialog::control(int id) const { return byId_.value(id, nullptr); }

int TemplateDialog::controlId(const QWidget* control) const {
  const res::ControlTemplate* c = controlTemplate(control);
  return c ? c->id : res::kNoId;
}

const res::ControlTemplate* TemplateDialog::controlTemplate(const QWidget* control) const {
  const auto it = indexOf_.constFind(control);
  if (it == indexOf_.constEnd()) return nullptr;
  return &template_.controls[static_cast<std::size_t>(it.value())];
}

void TemplateDialog::setMenuBar(QMenuBar* menuBar) { layout_->setMenuBar(menuBar); }

QRect TemplateDialog::dluRect(int x, int y, int w, int h) const {
  return QRect(DluToPixelsX(x, units_), DluToPixelsY(y, units_), DluToPixelsX(w, units_),
               DluToPixelsY(h, units_));
}

void TemplateDialog::setTextLimit(int id, int maxChars) {
  QWidget* w = control(id);
  if (!w) return;
  if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    // QLineEdit cuts a longer text when its limit is set; keep such a text whole
    // (the exchange towards the members then refuses it) and limit typing only.
    // A digits-only box refuses a paste that does not fit rather than cutting it.
    const res::ControlTemplate* c = controlTemplate(w);
    const bool digits = c && Has(c->style, St::DigitsOnly);
    if (edit->text().size() <= maxChars && !digits) {
      edit->setMaxLength(maxChars);
      textLimit_.remove(w);
      return;
    }
    edit->setMaxLength(32767);
  }
  textLimit_.insert(w, maxChars);
}

void TemplateDialog::setLimitedText(int id, const QString& text, int maxChars) {
  QWidget* w = control(id);
  if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    edit->setMaxLength(32767);  // so that setText keeps the whole text
    edit->setText(text);
    edit->setCursorPosition(0);  // a box too narrow keeps its leading digits in view
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
    plain->setPlainText(text);
  }
  setTextLimit(id, maxChars);
}

void TemplateDialog::pressDefaultButton() {
  QPushButton* fallback = nullptr;
  for (QWidget* w : controls_) {
    auto* button = qobject_cast<QPushButton*>(w);
    if (!button || !button->isVisible()) continue;
    if (button->isDefault()) {
      if (button->isEnabled()) button->click();
      return;
    }
    if (button->hasFocus()) fallback = button;
  }
  if (!fallback) fallback = qobject_cast<QPushButton*>(control(res::kIdOk));
  if (fallback) {
    if (fallback->isEnabled() && fallback->isVisible()) fallback->click();
    return;
  }
  accept();
}

void TemplateDialog::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
  if (enter && mods == Qt::NoModifier) {
    pressDefaultButton();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool TemplateDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  auto* w = qobject_cast<QWidget*>(watched);
  const res::ControlTemplate* c = controlTemplate(w);
  if (!c) return QDialog::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  auto* plain = qobject_cast<QPlainTextEdit*>(w);
  auto* line = qobject_cast<QLineEdit*>(w);

  const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
  if (enter && plain && !Has(c->style, St::WantReturn) &&
      (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    pressDefaultButton();
    return true;
  }

  const QString typed = key->text();
  const bool printable = !typed.isEmpty() && typed.at(0).isPrint() &&
                         !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
  if (!printable) return QDialog::eventFilter(watched, event);
  if ((line && line->isReadOnly()) || (plain && plain->isReadOnly()))
    return QDialog::eventFilter(watched, event);

  if (Has(c->style, St::DigitsOnly)) {
    for (const QChar ch : typed) {
      if (ch < QLatin1Char('0') || ch > QLatin1Char('9')) {
        QApplication::beep();
        return true;
      }
    }
  }
  const auto limit = textLimit_.constFind(w);
  if (limit != textLimit_.constEnd()) {
    const qsizetype length = line ? line->text().size() : plain->toPlainText().size();
    const qsizetype selected = line ? line->selectedText().size()
                                    : plain->textCursor().selectedText().size();
    if (length - selected + typed.size() > limit.value()) {
      QApplication::beep();
      return true;
    }
  }
  if (Has(c->style, St::UpperCase)) {
    const QString upper = UpperCaseText(typed);
    if (upper != typed) {
      if (line) line->insert(upper);
      if (plain) plain->insertPlainText(upper);
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace kelvane
