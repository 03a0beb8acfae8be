// The object pop-up's own entries: what the selected object offers after the seven fixed edit
// commands (display format, font, clearing the contents, and its flag switches).
#include <QMenu>

#include "designer/FR_Desgn.h"
#include "designer/FR_Small.h"
#include "platform/ui.h"
#include "report/FR_Ctrls.h"
#include "report/FR_Report.h"
#include "report/FR_Utils.h"

namespace {

bool mayModify(const TfrView* v) { return !(v->Restrictions & frrfDontModify); }

// The kinds of objects that may share one pop-up: any two text objects count as one kind.
int menuKind(const TfrView* v) { return v->Typ; }

}  // namespace

void TfrDesignerForm::addFlagItem(QMenu* menu, const QString& name, int textId, int bit, bool everySelected,
                                  TfrView* owner) {
  QAction* a = menu->addAction(LocaleText(textId));
  a->setObjectName(name);
  a->setCheckable(true);
  a->setChecked(owner->Flags & (1u << bit));
  connect(a, &QAction::triggered, this, Guarded([this, bit, everySelected, owner](bool on) {
            BeginChange();
            const QList<TfrView*> targets = everySelected ? model_.Selection() : QList<TfrView*>{owner};
            for (TfrView* v : targets) {
              if (!mayModify(v)) continue;
              if (on) v->Flags |= (1u << bit);
              else v->Flags &= ~(1u << bit);
            }
            EndChange();
          }));
}

void TfrDesignerForm::FillObjectMenu() {
  // Everything after the seven fixed entries belongs to the last selection.
  const QList<QAction*> all = Popup1->actions();
  for (int i = 7; i < all.size(); ++i) {
    Popup1->removeAction(all[i]);
    if (all[i]->parent() == Popup1) all[i]->deleteLater();
  }
  const QList<TfrView*> sel = model_.Selection();
  if (sel.isEmpty()) return;
  TfrView* top = model_.TopSelected();
  if (sel.size() > 1) {
    if (IsBand(top)) return;
    for (TfrView* v : sel)
      if (menuKind(v) != menuKind(top)) return;
  }
  QMenu* m = Popup1;
  auto item = [&](const char* name, int textId, std::function<void()> act) {
    QAction* a = new QAction(LocaleText(textId), Popup1);
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this, Guarded(act));
    m->addAction(a);
    return a;
  };
  if (top->Typ == gtSubReport) return;
  if (top->Typ == gtMemo) {
    m->addSeparator();
    item("FmtItem", 55191, [this] { EditFormatOfSelection(); });
    item("FontItem", 55334, [this] {
      if (EditorHooks().EditFont) EditorHooks().EditFont(model_.TopSelected());
    });
    item("ClearItem", 55347, [this] {
      BeginChange();
      for (TfrView* v : model_.Selection()) {
        if (v->Restrictions & frrfDontEditScript) continue;
        v->Memo.clear();
        v->Script.clear();
      }
      EndChange();
    });
  }
  const int kind = IsBand(top) ? BandKindOf(top) : -1;
  const bool baseItems = kind < 0 || !(kind == 3 || (kind >= 13 && kind <= 15) || kind == 19 || kind == 20 || kind == 22);
  m->addSeparator();
  if (baseItems) addFlagItem(m, QStringLiteral("StretchItem"), 55190, 0, true, top);
  if (top->Typ == gtMemo) {
    addFlagItem(m, QStringLiteral("WordWrapItem"), 55192, 1, true, top);
    addFlagItem(m, QStringLiteral("AutoWidthItem"), 55335, 3, true, top);
    addFlagItem(m, QStringLiteral("TextOnlyItem"), 55433, 4, true, top);
    addFlagItem(m, QStringLiteral("SuppressItem"), 55434, 5, true, top);
    addFlagItem(m, QStringLiteral("HideZerosItem"), 55438, 6, true, top);
    addFlagItem(m, QStringLiteral("UnderlinesItem"), 55441, 7, true, top);
  }
  if (kind >= 0) {
    auto in = [kind](std::initializer_list<int> kinds) { return std::find(kinds.begin(), kinds.end(), kind) != kinds.end(); };
    if (in({0, 1, 5, 6, 8, 9, 11, 12, 16})) addFlagItem(m, QStringLiteral("NewPageItem"), 55194, 1, true, top);
    if (in({5, 8})) addFlagItem(m, QStringLiteral("IfEmptyItem"), 55195, 2, true, top);
    if (in({0, 1, 4, 5, 6, 7, 8, 9, 10, 11, 12, 16, 17, 21}))
      addFlagItem(m, QStringLiteral("BreakedItem"), 55196, 3, true, top);
    if (in({2, 3})) addFlagItem(m, QStringLiteral("OnFirstPageItem"), 55231, 4, false, top);
    if (kind == 3) addFlagItem(m, QStringLiteral("OnLastPageItem"), 55232, 5, false, top);
    if (in({4, 7, 10, 16, 18})) addFlagItem(m, QStringLiteral("RepeatHeaderItem"), 55233, 6, false, top);
    if (kind != 3) addFlagItem(m, QStringLiteral("ChildInvisibleItem"), 55440, 7, false, top);
  }
}
