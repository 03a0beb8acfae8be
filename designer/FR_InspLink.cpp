// The link between the designer's selection and the object inspector: filling the rows from
// the selected objects (or the page) and writing a committed value back.
#include <QMessageBox>
#include <QScrollArea>
#include <algorithm>

#include "designer/FR_Desgn.h"
#include "designer/FR_Insp.h"
#include "platform/ui.h"
#include "report/FR_Report.h"
#include "report/FR_Utils.h"

namespace {

// The page's rows: the page is no declared-property object, so the designer names them.
struct PageProp {
  const char* name;
  uint16_t kind;
  bool dialogOnly;
};
const PageProp kPageProps[] = {
    {"Name", pkString, false},       {"Type", pkChoice, false},     {"PrintToPrevPage", pkBoolean, false},
    {"Columns", pkInteger, false},   {"ColumnGap", pkSize, false},  {"Caption", pkString, true},
    {"Left", pkSize, true},          {"Top", pkSize, true},         {"Width", pkSize, true},
    {"Height", pkSize, true},        {"Color", pkColor, true},
};

Variant readPage(const TfrPage* p, const QString& n) {
  if (n == "Name") return p->Name;
  if (n == "Type") return int(p->PageType);
  if (n == "PrintToPrevPage") return p->PrintToPrevPage;
  if (n == "Columns") return p->Columns;
  if (n == "ColumnGap") return p->ColumnGap;
  if (n == "Caption") return p->Caption;
  if (n == "Left") return p->Left;
  if (n == "Top") return p->Top;
  if (n == "Width") return p->Width;
  if (n == "Height") return p->Height;
  if (n == "Color") return int(p->Color);
  return Variant::null();
}

void writePage(TfrPage* p, const QString& n, const Variant& v) {
  if (n == "Name") {
    if (!v.toString().trimmed().isEmpty()) p->Name = v.toString().trimmed();
  } else if (n == "PrintToPrevPage") p->PrintToPrevPage = v.toBool();
  else if (n == "Columns") p->Columns = std::max(1, v.toInt());
  else if (n == "ColumnGap") p->ColumnGap = v.toInt();
  else if (n == "Caption") p->Caption = v.toString();
  else if (n == "Left") p->Left = v.toInt();
  else if (n == "Top") p->Top = v.toInt();
  else if (n == "Width") p->Width = v.toInt();
  else if (n == "Height") p->Height = v.toInt();
  else if (n == "Color") p->Color = v.toInt();
}

}  // namespace

bool TfrDesignerForm::ReportPageShown() const {
  const TfrPage* p = model_.Page();
  return p && p->PageType == ptReport;
}

QString TfrDesignerForm::SizeText(int pixels) const {
  const int u = model_.Settings.Units;
  if (!ReportPageShown() || u == 0) return QString::number(pixels);
  return QString::number(PixelsToUnits(pixels, u), 'f', 2);
}

void TfrDesignerForm::FillInspector() {
  if (!Inspector || Inspector->Committing) return;
  Inspector->LocalizedNames = model_.Settings.LocalizedPropNames;
  Inspector->ClearRows();
  Inspector->InspectedName.clear();
  Inspector->InspectedObject = nullptr;
  TfrPage* page = model_.Page();
  if (!page) return;
  const bool sizeAsUnits = ReportPageShown() && model_.Settings.Units != 0;
  const uint16_t sizeKind = sizeAsUnits ? pkFloat : pkInteger;
  const QList<TfrView*> sel = model_.Selection();
  if (sel.isEmpty()) {
    std::vector<const PageProp*> props;
    for (const PageProp& pp : kPageProps)
      if (!pp.dialogOnly || page->PageType == ptDialog) props.push_back(&pp);
    std::sort(props.begin(), props.end(), [](auto a, auto b) { return qstrcmp(a->name, b->name) < 0; });
    for (const PageProp* pp : props) {
      const QString n = QString::fromLatin1(pp->name);
      Variant v = readPage(page, n);
      uint16_t kind = pp->kind;
      if (kind & pkSize) {
        Inspector->AddShownRow(n, SizeText(v.toInt()), {}, Variant::null(), {}, uint16_t(kind | sizeKind));
      } else if (n == "Type") {
        Inspector->AddRow(n, v, {}, Variant::array({0, 1}), {QStringLiteral("ptReport"), QStringLiteral("ptDialog")},
                          kind);
      } else {
        Inspector->AddRow(n, v, {}, Variant::null(), {}, kind);
      }
    }
    Inspector->InspectedObject = page;
    Inspector->InspectedName = QStringLiteral("Page") + QString::number(model_.CurPage + 1);
  } else {
    TfrView* top = model_.TopSelected();
    std::vector<TfrPropRec*> props;
    for (const auto& rec : top->Properties()) {
      if (rec->type == 0) continue;
      if (sel.size() > 1 && (rec->type & frdtOneObject)) continue;
      bool everywhere = true;
      for (TfrView* v : sel) {
        TfrPropRec* r = FindPropRec(v, rec->name);
        if (!r || r->type == 0) everywhere = false;
      }
      if (everywhere) props.push_back(rec.get());
    }
    std::stable_sort(props.begin(), props.end(), [](auto a, auto b) { return a->name < b->name; });
    for (TfrPropRec* rec : props) {
      uint16_t kind = rec->type;
      QString value;
      if ((kind & frdtHasEditor) && !(kind & frdtString)) {
        value = '(' + rec->name + ')';
      } else {
        bool first = true;
        for (TfrView* v : sel) {
          Variant raw = v->PropRead(rec->name);
          QString text;
          if (kind & frdtSize) text = SizeText(raw.toInt());
          else {
            TProp probe;
            probe.PropKind = kind;
            probe.ChoiceNames = rec->enumNames;
            probe.ChoiceValues = rec->enumValues;
            probe.StoreValue(raw);
            text = probe.ValueText;
          }
          if (first) value = text;
          else if (text != value) value.clear();
          first = false;
        }
      }
      if (kind & frdtSize) kind = uint16_t((kind & ~pkFloat) | sizeKind);
      // The text is already the shown text: store it as a string.
      Inspector->AddShownRow(rec->name, value, rec->editor, rec->enumValues, rec->enumNames, kind);
    }
    if (sel.size() == 1) {
      Inspector->InspectedObject = top;
      Inspector->InspectedName = top->Name;
    }
  }
}

void TfrDesignerForm::RefreshInspector() {
  if (!Inspector || Inspector->Committing) return;
  FillInspector();
  Inspector->RefreshRows();
}

void TfrDesignerForm::InspectorCommitted(int row) {
  struct Refill {
    TfrDesignerForm* f;
    ~Refill() {
      f->Inspector->Committing = false;
      f->FillInspector();
      f->Inspector->RefreshRows();
      f->RepaintSurface();
      f->refreshTabs();
      f->RefreshFieldList();
      f->updateStatus();
    }
  } refill{this};
  if (row < 0 || row >= Inspector->RowCount()) return;
  const QString name = Inspector->RowName(row);
  const uint16_t kind = Inspector->Row(row)->PropKind;
  Variant value = Inspector->RowValue(row);
  const bool toPixels = (kind & pkSize) && ReportPageShown() && model_.Settings.Units != 0;
  if (toPixels) value = int(std::lround(UnitsToPixels(value.toDouble(), model_.Settings.Units)));
  else if (kind & pkSize) value = int(std::lround(value.toDouble()));
  const QList<TfrView*> sel = model_.Selection();
  if (sel.isEmpty()) {
    TfrPage* page = model_.Page();
    if (name == "Type") {
      const int type = value.toInt();
      if (type == page->PageType) return;
      if (!page->Objects.empty() &&
          MessageBoxFlags(LocaleText(55436), LocaleText(55437), MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return;
      model_.SetPageType(model_.CurPage, uint8_t(type));
      page->Objects.clear();
    } else {
      writePage(page, name, value);
    }
    MarkModified(true);
    SetCurrentPage(model_.CurPage);
    return;
  }
  BeginChange();
  for (TfrView* v : sel) {
    if (name == "Name") {
      const QString newName = value.toString().trimmed();
      if (newName.isEmpty() || newName == v->Name || (v->Restrictions & frrfDontModify)) continue;
      if (!report_->IsUniqueObjectName(newName)) continue;
      // Bands that name this one as their child follow the new name.
      for (const auto& p : report_->Pages)
        for (const auto& o : p->Objects)
          if (o->Typ == gtBand) {
            auto* b = static_cast<TfrBandView*>(o.get());
            if (b->ChildBand == v->Name) b->ChildBand = newName;
          }
      v->PropWrite(name, newName);
      continue;
    }
    if ((name == "Left" || name == "Top") && (v->Restrictions & frrfDontMove)) continue;
    if ((name == "Width" || name == "Height") && (v->Restrictions & frrfDontSize)) continue;
    v->PropWrite(name, value);
  }
  controller_.ComputeGroupRect();
}

void TfrDesignerForm::ShowInspector() {
  if (!Inspector) return;
  RefreshInspector();
  if (!Inspector->isVisible() && !inspectorPlaced_) {
    // The first time it floats at the right edge of the design area.
    inspectorPlaced_ = true;
    const QPoint topRight = ScrollBox1->mapToGlobal(QPoint(ScrollBox1->width(), 0));
    Inspector->move(topRight.x() - Inspector->width() - 24, topRight.y() + 8);
  }
  Inspector->ShowInspector();
}

void TfrDesignerForm::createInspector() {
  Inspector = new TfrInspForm(this);
  Inspector->OnValueCommitted = [this](int row) { InspectorCommitted(row); };
  Inspector->OnListObjects = [this](QStringList& names) {
    if (TfrPage* p = model_.Page())
      for (const auto& o : p->Objects) names << o->Name;
    for (int i = 0; i < model_.PageCount(); ++i) names << QStringLiteral("Page") + QString::number(i + 1);
  };
  Inspector->OnPickObject = [this](const QString& name) { SelectByName(name); };
}
