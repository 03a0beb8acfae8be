// The grids' find window.
#include "grid/DBGridEhFindDlgs.h"

#include <QApplication>
#include <QKeyEvent>

#include "platform/data/dataset.h"
#include "platform/data/field.h"
#include "platform/ui.h"

namespace {

const QString kAllColumns = QStringLiteral("<全部>");
const QString kUp = QStringLiteral("向上");
const QString kDown = QStringLiteral("向下");
const QString kAll = QStringLiteral("全部");

TDBComboBoxEh* Combo(QWidget* parent, const char* name, QRect r, int order) {
  auto* c = new TDBComboBoxEh(parent);
  c->setObjectName(QString::fromLatin1(name));
  c->setGeometry(r);
  c->DropDownBox.Rows = 17;
  c->DropDownBox.Sizable = true;
  (void)order;
  return c;
}

QLabel* Label(QWidget* parent, const char* name, const QString& text, QRect r) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(QString::fromLatin1(name));
  l->setGeometry(r);
  return l;
}

std::unique_ptr<TDBGridEhFindDlg>& DialogSlot() {
  static std::unique_ptr<TDBGridEhFindDlg> dlg;
  return dlg;
}

}  // namespace

TDBGridEhFindDlg::TDBGridEhFindDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("DBGridEhFindDlg"));
  setWindowTitle(QStringLiteral("查找文本"));
  setFixedSize(455, 152);
  Label1 = Label(this, "Label1", QStringLiteral("查找内容(&N):"), QRect(15, 14, 67, 13));
  Label2 = Label(this, "Label2", QStringLiteral("查找范围(&I):"), QRect(18, 43, 64, 13));
  cbMatchType = Label(this, "cbMatchType", QStringLiteral("匹配方式(&H):"), QRect(15, 71, 67, 13));
  Label3 = Label(this, "Label3", QStringLiteral("搜索方向(&R):"), QRect(15, 99, 67, 13));
  cbText = Combo(this, "cbText", QRect(93, 11, 250, 21), 0);
  cbFindIn = Combo(this, "cbFindIn", QRect(93, 39, 250, 21), 1);
  cbMatchinType = Combo(this, "cbMatchinType", QRect(93, 67, 250, 21), 2);
  const QStringList matchItems = {QStringLiteral("任意匹配"), QStringLiteral("完全匹配"), QStringLiteral("起始匹配")};
  cbMatchinType->SetItems(matchItems);
  cbMatchinType->SetKeyItems(matchItems);
  cbMatchinType->SetText(matchItems[0]);
  cbFindDirection = Combo(this, "cbFindDirection", QRect(93, 95, 250, 21), 3);
  cbFindDirection->SetItems({kUp, kDown, kAll});
  cbFindDirection->SetKeyItems({kUp, kDown, kAll});
  cbFindDirection->SetText(kAll);
  cbCharCase = new TDBCheckBoxEh(this);
  cbCharCase->setObjectName(QStringLiteral("cbCharCase"));
  cbCharCase->Caption = QStringLiteral("区分大小写(&C)");
  cbCharCase->setGeometry(93, 128, 100, 14);
  cbCharCase->SetChecked(false);
  cbUseFormat = new TDBCheckBoxEh(this);
  cbUseFormat->setObjectName(QStringLiteral("cbUseFormat"));
  cbUseFormat->Caption = QStringLiteral("匹配格式化结果(&M)");
  cbUseFormat->setGeometry(207, 128, 123, 14);
  cbUseFormat->SetChecked(true);
  bFind = new QPushButton(QStringLiteral("查找下一个(&F)"), this);
  bFind->setObjectName(QStringLiteral("bFind"));
  bFind->setGeometry(354, 11, 91, 22);
  bFind->setAutoDefault(false);
  bCancel = new QPushButton(QStringLiteral("关闭(&L)"), this);
  bCancel->setObjectName(QStringLiteral("bCancel"));
  bCancel->setGeometry(354, 38, 91, 22);
  bCancel->setAutoDefault(false);
  setTabOrder(cbText, cbFindIn);
  setTabOrder(cbFindIn, cbMatchinType);
  setTabOrder(cbMatchinType, cbFindDirection);
  setTabOrder(cbFindDirection, cbCharCase);
  setTabOrder(cbCharCase, cbUseFormat);
  setTabOrder(cbUseFormat, bFind);
  setTabOrder(bFind, bCancel);
  connect(bFind, &QPushButton::clicked, this, [this] { bFindClick(); });
  connect(bCancel, &QPushButton::clicked, this, [this] { bCancelClick(); });
  cbText->OnChange = [this](TCustomMaskEdit*) { cbTextChange(); };
  cbFindDirection->OnChange = [this](TCustomMaskEdit*) { cbTextChange(); };
  cbFindIn->OnChange = [this](TCustomMaskEdit*) { cbFindInChange(); };
}

TDBGridEhFindDlg::~TDBGridEhFindDlg() = default;

void TDBGridEhFindDlg::FillRangeList() {
  auto handler = std::move(cbFindIn->OnChange);
  cbFindIn->OnChange = nullptr;
  rangeColumns_.clear();
  QStringList items;
  if (Grid) {
    TColumnsEhList& shown = Grid->VisibleColumns();
    for (int i = 0; i < shown.Count(); ++i) {
      items << shown[i]->Title()->Caption();
      rangeColumns_ << shown[i];
    }
  }
  items << kAllColumns;
  rangeColumns_ << nullptr;
  cbFindIn->SetItems(items);
  cbFindIn->SetKeyItems(items);
  cbFindIn->OnChange = std::move(handler);
}

void TDBGridEhFindDlg::cbFindInChange() {
  if (!searchColumns_) searchColumns_ = std::make_unique<TColumnsEhList>();
  searchColumns_->Clear();
  int chosen = int(cbFindIn->Items().indexOf(cbFindIn->Text()));
  if (chosen < 0) {
    chosen = int(cbFindIn->Items().size()) - 1;
    auto handler = std::move(cbFindIn->OnChange);
    cbFindIn->OnChange = nullptr;
    cbFindIn->SetText(cbFindIn->Items().value(chosen));
    cbFindIn->OnChange = std::move(handler);
  }
  if (chosen == int(rangeColumns_.size()) - 1) {
    for (int i = 0; i < chosen; ++i) searchColumns_->Add(rangeColumns_[i]);
  } else if (chosen >= 0) {
    searchColumns_->Add(rangeColumns_[chosen]);
  }
  cbTextChange();
}

void TDBGridEhFindDlg::cbTextChange() {
  Restart = true;
  const int n = searchColumns_ ? searchColumns_->Count() : 0;
  CellIndex = cbFindDirection->Text() == kUp ? n - 1 : 0;
}

void TDBGridEhFindDlg::bCancelClick() {
  if (modal_) reject();
  else close();
}

bool TDBGridEhFindDlg::Matches(const QString& cellText, const QString& wanted) const {
  const Qt::CaseSensitivity cs = cbCharCase->Checked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
  const int type = int(cbMatchinType->Items().indexOf(cbMatchinType->Text()));
  switch (type) {
    case 1: return QString::compare(cellText, wanted, cs) == 0;
    case 2: return QString::compare(cellText.left(int(wanted.size())), wanted, cs) == 0;
    default: return cellText.contains(wanted, cs);
  }
}

void TDBGridEhFindDlg::Step(TDataSet* ds, bool forward) {
  const int last = searchColumns_->Count() - 1;
  if (forward) {
    if (CellIndex >= last) {
      ds->Next();
      CellIndex = 0;
    } else {
      ++CellIndex;
    }
  } else {
    if (CellIndex <= 0) {
      ds->Prior();
      CellIndex = last;
    } else {
      --CellIndex;
    }
  }
}

void TDBGridEhFindDlg::bFindClick() { FindNext(QApplication::keyboardModifiers() & Qt::ControlModifier); }

void TDBGridEhFindDlg::FindNext(bool reverse) {
  bool forward = cbFindDirection->Text() != kUp;
  if (reverse) forward = !forward;
  const QString wanted = cbText->Text();
  if (!cbText->Items().contains(wanted)) {
    QStringList items = cbText->Items();
    items << wanted;
    cbText->SetItems(items);
  }
  bool found = false;
  TDataSet* ds = Grid ? Grid->DataSet() : nullptr;
  if (ds && ds->Active() && searchColumns_ && searchColumns_->Count() > 0) {
    ds->DisableControls();
    Grid->RememberPosition();
    try {
      if (cbFindDirection->Text() == kAll && Restart) {
        ds->First();
        CellIndex = 0;
      }
      if (!Restart) Step(ds, forward);
      for (;;) {
        if (forward ? ds->Eof() : ds->Bof()) break;
        TColumnEh* c = (*searchColumns_)[qBound(0, CellIndex, searchColumns_->Count() - 1)];
        TField* f = c->BoundField();
        const QString text = cbUseFormat->Checked() ? c->CellDisplayText() : (f ? f->AsString() : QString());
        if (Matches(text, wanted)) {
          found = true;
          Restart = false;
          Grid->SelectColumnIndex(c->Index());
          break;
        }
        Step(ds, forward);
      }
      if (!found) Grid->ReturnToPosition();
    } catch (...) {
      ds->EnableControls();
      throw;
    }
    ds->EnableControls();
  }
  if (!found)
    MessageBox(QStringLiteral("字符串 \"%1\" 没有找到.").arg(wanted), QStringLiteral("查找文本"), MsgIcon::Information);
}

void TDBGridEhFindDlg::keyPressEvent(QKeyEvent* e) {
  const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
  if (enter) {
    FindNext(e->modifiers() & Qt::ControlModifier);
    cbText->SetModified(false);
    e->accept();
    return;
  }
  if (e->key() == Qt::Key_Escape) {
    cbText->SetModified(false);
    if (!modal_) {
      close();
      e->accept();
      return;
    }
  }
  QDialog::keyPressEvent(e);
}

TDBGridEhFindDlg* DBGridEhFindDlg() {
  auto& slot = DialogSlot();
  if (!slot) slot = std::make_unique<TDBGridEhFindDlg>();
  return slot.get();
}

void OpenFindDialog(TCustomDBGridEh* grid, const QString& text, bool modal) {
  TDBGridEhFindDlg* d = DBGridEhFindDlg();
  d->CellIndex = -1;
  d->cbText->SetText(text);
  d->Grid = grid;
  d->FillRangeList();
  const int i = grid ? grid->SelectedColumnIndex() : -1;
  const QString caption =
      grid && i >= 0 && i < grid->Columns()->Count() ? grid->Columns()->Items(i)->Title()->Caption() : QString();
  {
    auto handler = std::move(d->cbFindIn->OnChange);
    d->cbFindIn->OnChange = nullptr;
    d->cbFindIn->SetText(d->cbFindIn->Items().contains(caption) ? caption : QString());
    d->cbFindIn->OnChange = std::move(handler);
  }
  d->Restart = true;
  if (d->isVisible()) d->hide();
  d->cbText->setFocus();
  d->cbFindInChange();
  d->SetModalShow(modal);
  if (modal) {
    d->setWindowFlag(Qt::WindowStaysOnTopHint, false);
    RunModal(d);
  } else {
    d->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    d->show();
    d->activateWindow();
  }
}
