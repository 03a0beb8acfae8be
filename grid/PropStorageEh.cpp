// Stored grid layouts and window placements in an ini-style file, read back through the
// registered property interceptors.
#include "grid/PropStorageEh.h"

#include <QSettings>
#include <QWidget>
#include <algorithm>
#include <vector>

#include "grid/DBGridEh.h"
#include "platform/exception.h"

void ReadBackStoredValues(TStoragePropertyInterceptor* interceptor, const TStoredValuesEh& values,
                          const std::function<bool(const QString& name, const QVariant& value)>& writeOwn) {
  for (const auto& [name, value] : values) {
    if (interceptor && interceptor->Publishes(name)) interceptor->WriteProperty(name, value);
    else if (writeOwn) writeOwn(name, value);
  }
  if (interceptor) interceptor->ApplyReadValues();
}

namespace {

QString SectionOf(const QObject* object, const QString& section) {
  const QString name = section.isEmpty() ? object->objectName() : section;
  // Without a name the section could not be told from another object's.
  if (name.isEmpty()) throw EInvalidOperation(QStringLiteral("A stored object needs a name or a section"));
  return name;
}

class Settings {
 public:
  explicit Settings(const QString& file) : s_(file, QSettings::IniFormat) {}
  QSettings* operator->() { return &s_; }
  // Raises when the file could not be written.
  void Flush(const QString& file) {
    s_.sync();
    if (s_.status() != QSettings::NoError) throw EInvalidOperation(QStringLiteral("Cannot write \"%1\"").arg(file));
  }

 private:
  QSettings s_;
};

const char* const kColumnProperties[] = {"Width", "Visible"};

}  // namespace

void TPropStorageEh::SaveGridLayout(TCustomDBGridEh* grid, const QString& section) const {
  const QString group = SectionOf(grid, section);
  Settings s(IniFileName);
  s->remove(group);
  s->beginGroup(group);
  TDBGridColumnsEh* columns = grid->Columns();
  QVariant order;
  TColumnsEhPropertyInterceptor(columns).ReadProperty(QStringLiteral("ColumnsIndex"), order);
  s->setValue(QStringLiteral("ColumnsIndex"), order);
  s->beginWriteArray(QStringLiteral("Columns"), columns->Count());
  for (int i = 0; i < columns->Count(); ++i) {
    TColumnEh* c = columns->Items(i);
    s->setArrayIndex(i);
    s->setValue(QStringLiteral("FieldName"), c->FieldName());
    s->setValue(QStringLiteral("Width"), c->Width());
    s->setValue(QStringLiteral("Visible"), c->Visible());
    s->setValue(QStringLiteral("SortMarker"), int(c->Title()->SortMarker()));
    s->setValue(QStringLiteral("SortIndex"), c->Title()->SortIndex());
  }
  s->endArray();
  s->endGroup();
  s.Flush(IniFileName);
}

bool TPropStorageEh::RestoreGridLayout(TCustomDBGridEh* grid, const QString& section) const {
  const QString group = SectionOf(grid, section);
  Settings s(IniFileName);
  if (s->status() != QSettings::NoError || !s->childGroups().contains(group)) return false;
  s->beginGroup(group);
  TDBGridColumnsEh* columns = grid->Columns();
  // The stored sort markers, put back in their sort order once every column is read.
  struct Marker {
    int index;
    TColumnEh* column;
    TSortMarkerEh marker;
  };
  std::vector<Marker> markers;
  bool markersStored = false;
  {
    grid->LockLayout();
    struct Unlock {
      TCustomDBGridEh* g;
      ~Unlock() { g->UnlockLayout(); }
    } unlock{grid};
    // Each stored column finds its column by field name (the first not yet taken), a column
    // without a field name by its position.
    std::vector<bool> taken(size_t(columns->Count()), false);
    const int n = s->beginReadArray(QStringLiteral("Columns"));
    for (int i = 0; i < n; ++i) {
      s->setArrayIndex(i);
      const QString fieldName = s->value(QStringLiteral("FieldName")).toString();
      TColumnEh* column = nullptr;
      for (int k = 0; k < columns->Count() && !column; ++k)
        if (!taken[size_t(k)] && columns->Items(k)->FieldName() == fieldName &&
            (!fieldName.isEmpty() || k == i))
          column = columns->Items(k), taken[size_t(k)] = true;
      if (!column) continue;
      if (s->contains(QStringLiteral("SortMarker"))) {
        markersStored = true;
        bool ok = false;
        const int m = s->value(QStringLiteral("SortMarker")).toInt(&ok);
        if (ok && (m == smDownEh || m == smUpEh))
          markers.push_back({s->value(QStringLiteral("SortIndex")).toInt(), column, TSortMarkerEh(m)});
      }
      TStoredValuesEh values;
      for (const char* p : kColumnProperties) {
        const QString name = QString::fromLatin1(p);
        if (s->contains(name)) values.append({name, s->value(name)});
      }
      const std::unique_ptr<TStoragePropertyInterceptor> interceptor = NewInterceptorFor<TColumnEh>(column);
      ReadBackStoredValues(interceptor.get(), values, [column](const QString& name, const QVariant& value) {
        bool ok = false;
        if (name == QLatin1String("Width")) {
          const int w = value.toInt(&ok);
          if (ok) column->SetWidth(w);
        } else if (name == QLatin1String("Visible")) {
          const QString text = value.toString().toLower();
          ok = text == QLatin1String("true") || text == QLatin1String("false");
          if (ok) column->SetVisible(text == QLatin1String("true"));
        }
        return ok;
      });
    }
    s->endArray();
  }
  // Outside the layout lock, so that the markers keep their sort order in the grid.
  if (markersStored) {
    for (int k = 0; k < columns->Count(); ++k) columns->Items(k)->Title()->SetSortMarker(smNoneEh);
    std::stable_sort(markers.begin(), markers.end(), [](const Marker& a, const Marker& b) { return a.index < b.index; });
    for (const Marker& m : markers) m.column->Title()->SetSortMarker(m.marker);
  }
  if (s->contains(QStringLiteral("ColumnsIndex"))) {
    const std::unique_ptr<TStoragePropertyInterceptor> interceptor = NewInterceptorFor<TDBGridColumnsEh>(columns);
    ReadBackStoredValues(interceptor.get(), {{QStringLiteral("ColumnsIndex"), s->value(QStringLiteral("ColumnsIndex"))}},
                         nullptr);
  }
  s->endGroup();
  return true;
}

void TPropStorageEh::SaveFormPlacement(QWidget* form, const QString& section) const {
  const QString group = SectionOf(form, section);
  Settings s(IniFileName);
  s->remove(group);
  s->beginGroup(group);
  const QRect r = FormNormalBounds(form);
  const QWidget* focus = form->focusWidget();
  s->setValue(QStringLiteral("ActiveControl"), focus && focus != form ? focus->objectName() : QString());
  s->setValue(QStringLiteral("Height"), r.height());
  s->setValue(QStringLiteral("Left"), r.left());
  s->setValue(QStringLiteral("PixelsPerInch"), ScreenPixelsPerInch());
  s->setValue(QStringLiteral("Top"), r.top());
  s->setValue(QStringLiteral("Width"), r.width());
  s->setValue(QStringLiteral("WindowState"), WindowStateName(WindowStateOf(form)));
  s->endGroup();
  s.Flush(IniFileName);
}

bool TPropStorageEh::RestoreFormPlacement(QWidget* form, const QString& section) const {
  const QString group = SectionOf(form, section);
  Settings s(IniFileName);
  if (s->status() != QSettings::NoError || !s->childGroups().contains(group)) return false;
  s->beginGroup(group);
  TStoredValuesEh values;
  for (const QString& key : s->childKeys()) values.append({key, s->value(key)});
  s->endGroup();
  const std::unique_ptr<TStoragePropertyInterceptor> interceptor = NewInterceptorFor<QWidget>(form);
  // A window has no stored property of its own beyond those the interceptor takes over.
  ReadBackStoredValues(interceptor.get(), values, nullptr);
  return true;
}
