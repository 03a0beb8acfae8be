// Scroll-bar settings, the data service, the stored-layout interceptors and VariantListText.
#include <QScrollBar>

#include "grid/DBGridEh.h"

void TDBGridEhScrollBar::SetTracking(bool on) {
  tracking_ = on;
  if (grid_) (kind_ == 0 ? grid_->horizontalScrollBar() : grid_->verticalScrollBar())->setTracking(on);
}

void TDBGridEhScrollBar::SetVisibleMode(TScrollBarVisibleModeEh m) {
  if (m == visibleMode_) return;
  visibleMode_ = m;
  if (!grid_) return;
  if (kind_ == 1) grid_->UpdateVertScrollBar();
  grid_->RequestLayout();
}

bool TDBGridEhScrollBar::ShowsScrollBar() const {
  if (!grid_ || !Visible()) return false;
  const QScrollBar* bar = kind_ == 0 ? grid_->horizontalScrollBar() : grid_->verticalScrollBar();
  return bar->isVisibleTo(const_cast<TCustomDBGridEh*>(grid_));
}

void TDBGridEhScrollBar::Assign(const TDBGridEhScrollBar& src) {
  SetVisible(src.Visible());
  SetTracking(src.Tracking());
}

TDBGridEhDataService* DBGridEhDataService() {
  static TDBGridEhDataService service;
  return &service;
}

void TColumnEhPropertyInterceptor::SetWidth(int w) {
  TCustomDBGridEh* g = target_->OwnerGrid();
  if (g && g->AutoFitColWidths()) {
    target_->AutoFitBaseWidth = w;
    target_->BaseWidthGiven = true;
  }
  else target_->SetWidth(w);
}

QString TColumnsEhPropertyInterceptor::ColumnsIndex() const {
  QStringList parts;
  for (int i = 0; i < target_->Count(); ++i) parts << QLatin1Char('"') + target_->Items(i)->FieldName() + QLatin1Char('"');
  return parts.join(QLatin1Char(','));
}

// Splits comma text: items separated by commas, an item in double quotes may hold commas.
static QStringList CommaText(const QString& text) {
  QStringList out;
  int i = 0;
  const int n = int(text.size());
  while (i < n) {
    while (i < n && text[i] == QLatin1Char(' ')) ++i;
    QString item;
    if (i < n && text[i] == QLatin1Char('"')) {
      ++i;
      while (i < n) {
        if (text[i] == QLatin1Char('"')) {
          if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
            item += QLatin1Char('"');
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        item += text[i++];
      }
      while (i < n && text[i] != QLatin1Char(',')) ++i;
    } else {
      while (i < n && text[i] != QLatin1Char(',') && text[i] != QLatin1Char(' ')) item += text[i++];
      while (i < n && text[i] != QLatin1Char(',')) ++i;
    }
    out << item;
    if (i < n) ++i;  // the comma
  }
  return out;
}

void TColumnsEhPropertyInterceptor::SetColumnsIndex(const QString& text) {
  columnsIndex_ = text;
  const QStringList names = CommaText(text);
  target_->BeginUpdate();
  for (int i = 0; i < names.size() && i < target_->Count(); ++i)
    for (int k = 0; k < target_->Count(); ++k)
      if (target_->Items(k)->FieldName() == names[i]) {
        target_->Move(k, i);
        break;
      }
  target_->EndUpdate();
}

QString VariantListText(const Variant& v) {
  if (!v.isArray()) return v.isNullOrEmpty() ? QString() : v.toString();
  QString out;
  for (const Variant& e : v.items()) out += QLatin1Char('\'') + (e.isNullOrEmpty() ? QString() : e.toString()) + QStringLiteral("',");
  out.chop(1);
  return out;
}
