// Scroll-bar settings, the data service, the stored-layout interceptors and VariantListText.
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVariant>

#include "grid/DBGridEh.h"

TDBGridEhScrollBar::TDBGridEhScrollBar(TCustomDBGridEh* grid, int kind) : grid_(grid), kind_(kind) {
  if (grid_) (kind_ == 0 ? grid_->horizontalScrollBar() : grid_->verticalScrollBar())->setTracking(tracking_);
}

void TDBGridEhScrollBar::SetTracking(bool on) {
  tracking_ = on;
  if (ext_) ext_->setTracking(on);
  if (grid_) (kind_ == 0 ? grid_->horizontalScrollBar() : grid_->verticalScrollBar())->setTracking(on);
}

void TDBGridEhScrollBar::SetVisibleMode(TScrollBarVisibleModeEh m) {
  if (m == visibleMode_) return;
  visibleMode_ = m;
  if (ext_) ext_->setVisible(Visible());
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
  SetExtScrollBar(src.ExtScrollBar());
}

namespace {
// The scroll-bar object an external bar is attached to, kept on the bar itself.
constexpr const char* kAttachedTo = "attachedGridScrollBar";
}  // namespace

void TDBGridEhScrollBar::SetExtScrollBar(QScrollBar* bar) {
  if (bar == ext_) return;
  if (bar) {
    const QVariant owner = bar->property(kAttachedTo);
    if (owner.isValid() && owner.value<quintptr>() != 0 && owner.value<quintptr>() != quintptr(this))
      throw Exception(QStringLiteral("Possible ") + bar->objectName() + QStringLiteral(" already attached to the other control."));
  }
  DetachExtScrollBar();
  if (!bar) return;
  ext_ = bar;
  bar->setProperty(kAttachedTo, QVariant::fromValue(quintptr(this)));
  bar->setVisible(Visible());
  bar->setTracking(tracking_);
  const Qt::Orientation orientation = kind_ == 0 ? Qt::Horizontal : Qt::Vertical;
  // The bar's scroll notifications reach the grid as its own bar's would.
  extLinks_.push_back(QObject::connect(bar, &QScrollBar::actionTriggered, bar, [this, orientation](int action) {
    if (grid_ && ext_) grid_->ExternalScrollAction(orientation, action, ext_->sliderPosition());
  }));
  extLinks_.push_back(QObject::connect(bar, &QScrollBar::sliderReleased, bar, [this, orientation] {
    if (grid_ && ext_) grid_->ExternalScrollAction(orientation, kSliderThumbPosition, ext_->sliderPosition());
  }));
  // A freed bar is let go.
  extLinks_.push_back(QObject::connect(bar, &QObject::destroyed, bar, [this] {
    extLinks_.clear();
    ext_ = nullptr;
    if (grid_) RestoreOwnBar();
  }));
  if (!grid_) return;
  QScrollBar* own = kind_ == 0 ? grid_->horizontalScrollBar() : grid_->verticalScrollBar();
  if (kind_ == 0) {
    // The grid keeps its horizontal range on its own (hidden) bar; the external bar follows it.
    auto follow = [this, own] { SetExternalScrollInfo(own->minimum(), own->maximum(), own->pageStep(), own->value()); };
    extLinks_.push_back(QObject::connect(own, &QScrollBar::rangeChanged, bar, follow));
    extLinks_.push_back(QObject::connect(own, &QScrollBar::valueChanged, bar, follow));
    follow();
  } else {
    grid_->UpdateVertScrollBar();
  }
  grid_->RequestLayout();
}

void TDBGridEhScrollBar::RestoreOwnBar() {
  if (kind_ == 1) grid_->UpdateVertScrollBar();
  grid_->RequestLayout();
}

void TDBGridEhScrollBar::DetachExtScrollBar() {
  for (const QMetaObject::Connection& c : extLinks_) QObject::disconnect(c);
  extLinks_.clear();
  if (!ext_) return;
  ext_->setProperty(kAttachedTo, QVariant());
  ext_ = nullptr;
  if (grid_) RestoreOwnBar();
}

void TDBGridEhScrollBar::SetExternalScrollInfo(int min, int max, int page, int pos) {
  if (!ext_) return;
  const QSignalBlocker block(ext_);
  ext_->setPageStep(0);
  ext_->setValue(pos);
  ext_->setMinimum(std::min(min, max));
  ext_->setMaximum(max);
  ext_->setValue(pos);
  ext_->setPageStep(page);
}

void TCustomDBGridEh::ExternalScrollAction(Qt::Orientation bar, int action, int pos) {
  if (updatingScrollBars_) return;
  ModifyScrollBar(bar, action, pos);
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
