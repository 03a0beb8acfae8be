#include "designer/FR_Insp.h"

#include <QScopedValueRollback>
#include <cmath>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QResizeEvent>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/exception.h"
#include "platform/ui.h"
#include "report/FR_Utils.h"

const std::vector<TfrNamedColor>& NamedColors() {
  static const std::vector<TfrNamedColor> colors = {
      {"clWhite", 0xFFFFFF}, {"clBlack", 0x000000}, {"clMaroon", 0x000080}, {"clGreen", 0x008000},
      {"clOlive", 0x008080}, {"clNavy", 0x800000}, {"clPurple", 0x800080}, {"clTeal", 0x808000},
      {"clGray", 0x808080}, {"clSilver", 0xC0C0C0}, {"clRed", 0x0000FF}, {"clLime", 0x00FF00},
      {"clYellow", 0x00FFFF}, {"clBlue", 0xFF0000}, {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00},
      {"clTransparent", 0x1FFFFFFF}, {"clScrollBar", 0x80000000}, {"clBackground", 0x80000001},
      {"clActiveCaption", 0x80000002}, {"clInactiveCaption", 0x80000003}, {"clMenu", 0x80000004},
      {"clWindow", 0x80000005}, {"clWindowFrame", 0x80000006}, {"clMenuText", 0x80000007},
      {"clWindowText", 0x80000008}, {"clCaptionText", 0x80000009}, {"clActiveBorder", 0x8000000A},
      {"clInactiveBorder", 0x8000000B}, {"clAppWorkSpace", 0x8000000C}, {"clHighlight", 0x8000000D},
      {"clHighlightText", 0x8000000E}, {"clBtnFace", 0x8000000F}, {"clBtnShadow", 0x80000010},
      {"clGrayText", 0x80000011}, {"clBtnText", 0x80000012}, {"clInactiveCaptionText", 0x80000013},
      {"clBtnHighlight", 0x80000014}, {"cl3DDkShadow", 0x80000015}, {"cl3DLight", 0x80000016},
      {"clInfoText", 0x80000017}, {"clInfoBk", 0x80000018}};
  return colors;
}

QString ColorToText(uint32_t color) {
  for (const TfrNamedColor& c : NamedColors())
    if (c.value == color) return QString::fromLatin1(c.name);
  return QLatin1Char('$') + QStringLiteral("%1").arg(color, 8, 16, QLatin1Char('0')).toUpper();
}

bool TextToColor(const QString& text, uint32_t& color) {
  const QString s = text.trimmed();
  for (const TfrNamedColor& c : NamedColors())
    if (s.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0) {
      color = c.value;
      return true;
    }
  bool ok = false;
  const qulonglong v = s.startsWith('$') ? s.mid(1).toULongLong(&ok, 16) : s.toULongLong(&ok, 10);
  if (!ok || v > 0xFFFFFFFFull) return false;
  color = uint32_t(v);
  return true;
}

QString FloatText(double value) {
  // Four significant digits, at most two decimals; large numbers in scientific notation.
  if (std::fabs(value) >= 10000.0) return QString::number(value, 'E', 4);
  const double rounded = std::stod(QString::number(value, 'g', 4).toStdString());
  return QString::number(rounded, 'f', 2);
}

void TProp::StoreValue(const Variant& value) {
  if (PropKind & pkBoolean) {
    ValueText = value.isNullOrEmpty() || value.toString().isEmpty()
                    ? QString()
                    : (value.isText() ? (QStringList{"TRUE", "YES", "1"}.contains(value.toString().toUpper()))
                                      : value.toBool())
                          ? QStringLiteral("True")
                          : QStringLiteral("False");
  } else if (PropKind & pkColor) {
    ValueText = value.isNullOrEmpty() || value.toString().isEmpty() ? QString() : ColorToText(uint32_t(value.toInt()));
  } else if ((PropKind & pkChoice) && HasValueArray() && !value.isNullOrEmpty() && !value.toString().isEmpty()) {
    ValueText = value.toString();
    const QVector<Variant>& items = ChoiceValues.items();
    for (int i = 0; i < items.size() && i < ChoiceNames.size(); ++i)
      if (items[i].toString() == value.toString()) ValueText = ChoiceNames[i];
  } else if ((PropKind & pkFloat) && value.isNumeric()) {
    ValueText = FloatText(value.toDouble());
  } else {
    ValueText = value.isNullOrEmpty() ? QString() : value.toString();
  }
}

Variant TProp::ReadValue() const {
  const QString s = ValueText.trimmed();
  if (PropKind & pkBoolean) return s.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 ||
                                   s.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0 || s == QLatin1String("1");
  if (PropKind & pkColor) {
    uint32_t c = 0;
    if (!TextToColor(s, c)) throw EConvertError(QString::fromUtf8("“%1”不是有效的颜色").arg(s));
    return int(c);
  }
  if (PropKind & pkChoice) {
    const int i = ChoiceNames.indexOf(s);
    if (i < 0 || !HasValueArray()) return ValueText;
    return ChoiceValues.items().value(i);
  }
  if (PropKind & pkFloat) {
    bool ok = false;
    const double d = QString(s).replace(',', '.').toDouble(&ok);
    // A size beyond any page (or not finite) would wrap around when stored as whole pixels.
    const bool sizeOutOfReach = (PropKind & pkSize) && !(std::fabs(d) <= 1e6);
    if (!ok || sizeOutOfReach) throw EConvertError(QString::fromUtf8("“%1”不是有效的数值").arg(s));
    return d;
  }
  if (PropKind & pkInteger) {
    bool ok = false;
    const int i = s.toInt(&ok);
    if (!ok) throw EConvertError(QString::fromUtf8("“%1”不是有效的整数").arg(s));
    return i;
  }
  return ValueText;
}

// ---------------------------------------------------------------------------------------

TfrInspForm::TfrInspForm(QWidget* parent) : QWidget(parent, Qt::Tool) {
  LoadPropTitles();
  setObjectName(QStringLiteral("TfrInspForm"));
  setWindowTitle(LocaleText(53059));
  resize(260, 420);
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(1, 1, 1, 1);
  v->setSpacing(1);
  CB1 = new QComboBox;
  CB1->setObjectName(QStringLiteral("CB1"));
  v->addWidget(CB1);
  Grid = new QTableWidget(0, 2);
  Grid->setObjectName(QStringLiteral("PaintBox1"));
  Grid->horizontalHeader()->hide();
  Grid->verticalHeader()->hide();
  Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  Grid->setSelectionMode(QAbstractItemView::SingleSelection);
  Grid->horizontalHeader()->setStretchLastSection(true);
  Grid->verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 3);
  Grid->setColumnWidth(0, SplitX);
  v->addWidget(Grid);
  Edit1 = new QLineEdit(Grid->viewport());
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Edit1->setFrame(false);
  Edit1->hide();
  Edit1->installEventFilter(this);
  EditBtn = new QToolButton(Grid->viewport());
  EditBtn->setObjectName(QStringLiteral("EditBtn"));
  EditBtn->setText(QStringLiteral("..."));
  EditBtn->hide();
  ComboBtn = new QToolButton(Grid->viewport());
  ComboBtn->setObjectName(QStringLiteral("ComboBtn"));
  ComboBtn->setArrowType(Qt::DownArrow);
  ComboBtn->hide();
  ChoiceList = new QListWidget(this);
  ChoiceList->setObjectName(QStringLiteral("ChoiceList"));
  ChoiceList->setWindowFlags(Qt::Popup);
  ChoiceList->hide();

  connect(Grid, &QTableWidget::currentCellChanged, this, [this](int row) {
    if (!filling_ && row != RowIndex) Guard([&] {
        if (modified_) CommitEdit();
        SelectRow(row);
      });
  });
  connect(Grid, &QTableWidget::cellDoubleClicked, this, Guarded([this] { CycleValue(); }));
  connect(Edit1, &QLineEdit::textEdited, this, [this] { modified_ = true; });
  connect(EditBtn, &QToolButton::clicked, this, Guarded([this] { RunEditor(); }));
  connect(ComboBtn, &QToolButton::clicked, this, Guarded([this] { ShowChoices(); }));
  connect(ChoiceList, &QListWidget::itemClicked, this, Guarded([this](QListWidgetItem* item) {
            ChoiceList->hide();
            if (RowIndex < 0 || !item) return;
            Edit1->setText(item->text());
            modified_ = true;
            CommitEdit();
          }));
  connect(CB1, &QComboBox::activated, this, Guarded([this](int i) {
            if (filling_ || i < 0) return;
            const QString name = CB1->itemText(i);
            if (name != InspectedName && OnPickObject) OnPickObject(name);
          }));
  CB1->installEventFilter(this);
}

TfrInspForm::~TfrInspForm() = default;

void TfrInspForm::ClearRows() {
  rows_.clear();
  RowIndex = -1;
}

void TfrInspForm::AddRow(const QString& name, const Variant& value, std::function<void()> editor,
                         const Variant& choiceValues, const QStringList& choiceNames, uint16_t kind) {
  auto p = std::make_unique<TProp>();
  p->PropKind = kind;
  p->EditorProc = std::move(editor);
  p->ChoiceNames = choiceNames;
  p->ChoiceValues = choiceValues;
  p->StoreValue(value);
  rows_.emplace_back(name, std::move(p));
}

void TfrInspForm::AddShownRow(const QString& name, const QString& text, std::function<void()> editor,
                              const Variant& choiceValues, const QStringList& choiceNames, uint16_t kind) {
  AddRow(name, Variant::null(), std::move(editor), choiceValues, choiceNames, kind);
  rows_.back().second->ValueText = text;
}

int TfrInspForm::FindRow(const QString& name) const {
  for (size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].first == name) return int(i);
  return -1;
}

void TfrInspForm::RefreshRows() {
  filling_ = true;
  RowIndex = -1;
  modified_ = false;
  Grid->clearContents();
  Grid->setRowCount(Locked ? 0 : int(rows_.size()));
  if (!Locked)
    for (size_t i = 0; i < rows_.size(); ++i) {
      Grid->setItem(int(i), 0, new QTableWidgetItem(RowTitle(int(i))));
      Grid->setItem(int(i), 1, new QTableWidgetItem(rows_[i].second->ValueText));
    }
  // The name column fits the longest name, leaving the values at least half the width.
  Grid->resizeColumnToContents(0);
  Grid->setColumnWidth(0, std::clamp(Grid->columnWidth(0) + 4, SplitX, std::max(SplitX, Grid->viewport()->width() / 2)));
  filling_ = false;
  if (Locked || rows_.empty()) {
    Edit1->hide();
    EditBtn->hide();
    ComboBtn->hide();
  } else {
    const int keep = FindRow(LastRowName);
    SelectRow(keep >= 0 ? keep : 0);
  }
  if (Locked) {
    CB1->setCurrentIndex(-1);
    return;
  }
  if (CB1->currentText() == InspectedName && CB1->currentIndex() >= 0) return;
  fillObjectBox();
}

void TfrInspForm::fillObjectBox() {
  filling_ = true;
  CB1->clear();
  QStringList names;
  if (OnListObjects) OnListObjects(names);
  names.sort();
  CB1->addItems(names);
  CB1->setCurrentIndex(CB1->findText(InspectedName));
  filling_ = false;
}

Variant TfrInspForm::RowValue(int index) const { return rows_.at(size_t(index)).second->ReadValue(); }

void TfrInspForm::SelectRow(int index) {
  if (Committing || Locked || index < 0 || index >= RowCount()) return;
  RowIndex = index;
  LastRowName = RowName(index);
  filling_ = true;
  Grid->setCurrentCell(index, 1);
  filling_ = false;
  const TProp* p = Row(index);
  Edit1->setText(p->ValueText);
  Edit1->setReadOnly((p->PropKind & pkEditor) && !(p->PropKind & pkString));
  modified_ = false;
  placeEditor();
  Edit1->show();
  Edit1->selectAll();
}

void TfrInspForm::placeEditor() {
  if (RowIndex < 0) return;
  const TProp* p = Row(RowIndex);
  const QRect cell = Grid->visualRect(Grid->model()->index(RowIndex, 1));
  const bool hasButton = (p->PropKind & (pkEditor | pkChoice | pkBoolean | pkColor));
  const int bw = hasButton ? cell.height() : 0;
  Edit1->setGeometry(cell.adjusted(1, 0, -bw, 0));
  QToolButton* shown = (p->PropKind & pkEditor) ? EditBtn : ComboBtn;
  QToolButton* other = shown == EditBtn ? ComboBtn : EditBtn;
  other->hide();
  if (hasButton) {
    shown->setGeometry(cell.right() - bw + 1, cell.top(), bw, cell.height());
    shown->show();
  } else {
    shown->hide();
  }
}

void TfrInspForm::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  placeEditor();
}

void TfrInspForm::ShowInspector() {
  show();
  raise();
}

void TfrInspForm::CommitEdit() {
  if (RowIndex < 0 || Locked) return;
  TProp* p = Row(RowIndex);
  if (Edit1->isReadOnly()) return;
  const int row = RowIndex;
  p->ValueText = Edit1->text();
  modified_ = false;
  const QScopedValueRollback<bool> reset(Committing, true);
  if (OnValueCommitted) OnValueCommitted(row);
}

void TfrInspForm::CycleValue() {
  if (RowIndex < 0 || Locked) return;
  TProp* p = Row(RowIndex);
  if (p->PropKind & pkBoolean) {
    Edit1->setText(p->ValueText.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 ? QStringLiteral("False")
                                                                                           : QStringLiteral("True"));
  } else if ((p->PropKind & pkChoice) && !p->ChoiceNames.isEmpty()) {
    const int i = p->ChoiceNames.indexOf(p->ValueText);
    Edit1->setText(p->ChoiceNames[(i + 1) % p->ChoiceNames.size()]);
  } else if (p->PropKind & pkColor) {
    uint32_t c = 0;
    TextToColor(p->ValueText, c);
    const std::optional<TColor> chosen = CurrentUiBackend().chooseColor(TColor(c));
    if (!chosen) return;
    Edit1->setText(ColorToText(uint32_t(*chosen)));
  } else if (p->PropKind & pkEditor) {
    RunEditor();
    return;
  } else {
    return;
  }
  modified_ = true;
  CommitEdit();
}

void TfrInspForm::ShowChoices() {
  if (RowIndex < 0 || Locked) return;
  const TProp* p = Row(RowIndex);
  QStringList items;
  if (p->PropKind & pkBoolean) items = {QStringLiteral("False"), QStringLiteral("True")};
  else if (p->PropKind & pkColor)
    for (const TfrNamedColor& c : NamedColors()) items << QString::fromLatin1(c.name);
  else items = p->ChoiceNames;
  if (items.isEmpty()) return;
  ChoiceList->clear();
  ChoiceList->addItems(items);
  const int cur = items.indexOf(p->ValueText);
  ChoiceList->setCurrentRow(cur >= 0 ? cur : 0);
  const int rowH = ChoiceList->sizeHintForRow(0) > 0 ? ChoiceList->sizeHintForRow(0) : 16;
  const int shown = std::min<int>(int(items.size()), 8);
  ChoiceList->resize(Edit1->width() + ComboBtn->width(), shown * rowH + 4);
  ChoiceList->move(Edit1->mapToGlobal(QPoint(0, Edit1->height())));
  ChoiceList->show();
  ChoiceList->setFocus();
}

void TfrInspForm::RunEditor() {
  if (RowIndex < 0 || Locked) return;
  TProp* p = Row(RowIndex);
  if (!(p->PropKind & pkEditor) || !p->EditorProc) return;
  if (modified_) CommitEdit();
  p->EditorProc();
  // The editor changed the objects itself: the designer refills the rows.
  if (OnValueCommitted && !(p->PropKind & pkString)) {
    const QScopedValueRollback<bool> reset(Committing, true);
    OnValueCommitted(-1);
  }
}

bool TfrInspForm::eventFilter(QObject* watched, QEvent* e) {
  if (watched == CB1 && e->type() == QEvent::MouseButtonPress && !Locked) fillObjectBox();
  if (watched == Edit1 && e->type() == QEvent::KeyPress) {
    auto* k = static_cast<QKeyEvent*>(e);
    switch (k->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
        Guard([this] {
          if (RowIndex >= 0 && (Row(RowIndex)->PropKind & pkEditor) && !(Row(RowIndex)->PropKind & pkString) &&
              !modified_)
            RunEditor();
          else {
            modified_ = true;
            CommitEdit();
          }
        });
        return true;
      case Qt::Key_Up:
      case Qt::Key_Down:
        if (k->modifiers() & Qt::AltModifier) {
          Guard([this] { ShowChoices(); });
          return true;
        }
        Guard([&] {
          if (modified_) CommitEdit();
          SelectRow(RowIndex + (k->key() == Qt::Key_Up ? -1 : 1));
        });
        return true;
      case Qt::Key_Escape:
        if (RowIndex >= 0) SelectRow(RowIndex);
        return true;
      default:
        break;
    }
  }
  return QWidget::eventFilter(watched, e);
}

namespace {
// The designer's Chinese titles of the engine's property names.
const char* const kChineseTitles[] = {
    "Alignment=对齐",        "BandAlign=带区对齐",    "BlobType=图片类型",     "Breaked=分隔",
    "Caption=标题",          "Center=居中",           "CharSpacing=字距",      "ChildBand=子带区",
    "Color=颜色",            "ColumnGap=栏间距",      "ColumnWidth=栏宽",      "Columns=栏数",
    "Condition=条件",        "DataField=数据字段",    "DataSource=数据源",     "DisplayFormat=显示格式",
    "FillColor=背景色",      "Font=字体",             "FormNewPage=强迫换页",  "FrameColor=框线色",
    "FrameStyle=线型",       "FrameTyp=框线",         "FrameWidth=框线宽",     "GapX=水平边距",
    "GapY=垂直边距",         "Height=高度",           "HideZeros=隐藏零值",    "Highlight=条件高亮度",
    "KeepAspect=保持比例",   "Left=左边",             "LineSpacing=行距",      "Master=主带区",
    "Memo=文本",             "Name=名称",             "OnFirstPage=在第一页",  "OnLastPage=在最后一页",
    "Picture=图片",          "PrintChildIfInvisible=打印子Band不可见",         "PrintIfSubsetEmpty=为空时打印",
    "PrintToPrevPage=打印到前一页",                   "RTLReading=从右向左",   "RepeatHeader=显示所有页",
    "Restrictions=限制",     "Stretched=伸展",        "Suppress=压缩重复值",   "Tag=标记"    ,
    "TextOnly=只能是文本",   "Top=顶边",              "Type=类型",             "Underlines=下划线",
    "Visible=可见",          "Width=宽度",            "WordBreak=断字",        "WordWrap=自动折行",
    "AutoWidth=自动宽度",
};

void addTitle(QHash<QString, QString>& titles, const QString& text, bool keep) {
  const int eq = text.indexOf(QLatin1Char('='));
  if (eq <= 0 || eq == text.size() - 1) return;   // no "=", or no title after it
  const QString name = text.left(eq);
  if (keep && titles.contains(name)) return;
  titles.insert(name, text.mid(eq + 1));
}
}  // namespace

void TfrInspForm::LoadPropTitles() {
  PropTitles.clear();
  for (int id = 58001; id <= 65535; ++id) {
    const QString text = LocaleText(id);
    if (text.isEmpty()) break;
    addTitle(PropTitles, text, false);
  }
  for (const char* t : kChineseTitles) addTitle(PropTitles, QString::fromUtf8(t), true);
}

QString TfrInspForm::RowTitle(int index) const {
  const QString name = RowName(index);
  if (!LocalizedNames) return name;
  return PropTitles.value(name, name);
}
