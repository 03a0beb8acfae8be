#include "platform/data/ado.h"

#include "platform/data/backend.h"
#include "platform/data/sqlquote.h"
#include "platform/exception.h"

// ---------------------------------------------------------------- TCustomADODataSet

TCustomADODataSet::TCustomADODataSet(QObject* parent) : TDataSet(parent) {}

TCustomADODataSet::~TCustomADODataSet() {
  if (connection_) connection_->detach_(this);
}

void TCustomADODataSet::SetConnection(TADOConnection* c) {
  if (c == connection_) return;
  if (Active()) Close();
  if (connection_) connection_->detach_(this);
  connection_ = c;
  if (connection_) connection_->attach_(this);
}

void TCustomADODataSet::checkConnection() const {
  if (!connection_) throw EDatabaseError(QStringLiteral("%1: Missing Connection or ConnectionString").arg(objectName()));
}

void TCustomADODataSet::InternalOpen() {
  checkConnection();
  if (!connection_->Connected()) connection_->Open();
  QString sql = selectText();
  if (sql.trimmed().isEmpty()) throw EDatabaseError(QStringLiteral("%1: CommandText does not return a result set").arg(objectName()));
  connection_->backend_()->query(sql, selectParams(), store_);
  if (store_.columnCount() == 0) {
    store_.reset(0);
    throw EDatabaseError(QStringLiteral("%1: CommandText does not return a result set").arg(objectName()));
  }
}

void TCustomADODataSet::InternalClose() {}

bool TCustomADODataSet::InternalCanModify() const { return !store_.updateTable.isEmpty(); }

void TCustomADODataSet::InternalWrite(WriteKind kind, uint32_t row, const std::vector<Cell>& original) {
  checkConnection();
  DbBackend* be = connection_->backend_();
  switch (kind) {
    case wkInsert:
      be->insertRow(store_, row);
      break;
    case wkUpdate: {
      std::vector<int> changed;
      for (int c = 0; c < store_.columnCount(); ++c) {
        Cell now = store_.get(row, c);
        const Cell& was = original[size_t(c)];
        bool same = now == was;
        if (!same && now.tag == was.tag && (now.tag == ctText || now.tag == ctBlob)) same = store_.byteArray(now) == store_.byteArray(was);
        if (!same) changed.push_back(c);
      }
      be->updateRow(store_, row, changed);
      break;
    }
    case wkDelete:
      be->deleteRow(store_, row);
      break;
  }
}

void TCustomADODataSet::InternalInTransaction(const std::function<void()>& fn) {
  checkConnection();
  connection_->BeginTrans();
  try {
    fn();
  } catch (...) {
    connection_->RollbackTrans();
    throw;
  }
  connection_->CommitTrans();
}

// ---------------------------------------------------------------- TADOQuery

TADOQuery::TADOQuery(QObject* parent) : TCustomADODataSet(parent) {}

int TADOQuery::ExecSQL() {
  checkConnection();
  if (!Connection()->Connected()) Connection()->Open();
  return Connection()->Execute(SQL.Text());
}

// ---------------------------------------------------------------- TADOTable

// Follows the master's moves: the detail is reread for the master's current link values.
class TADOTable::MasterLink : public TDataLink {
 public:
  explicit MasterLink(TADOTable* t) : table_(t) {}
 protected:
  void ActiveChanged() override { table_->masterChanged(); }
  void DataSetChanged() override { table_->masterChanged(); }
  void DataSetScrolled(int) override { table_->masterChanged(); }
  void RecordChanged(TField* f) override {
    // A master field that the link uses changed: follow it after the master posts.
    (void)f;
  }
 private:
  TADOTable* table_;
};

TADOTable::TADOTable(QObject* parent) : TCustomADODataSet(parent), masterLink_(std::make_unique<MasterLink>(this)) {}

TADOTable::~TADOTable() { masterLink_->SetDataSource(nullptr); }

void TADOTable::SetMasterSource(TDataSource* s) {
  masterSource_ = s;
  masterLink_->SetDataSource(s);
}

static QStringList splitList(const QString& s) {
  QStringList out;
  for (const QString& p : s.split(QLatin1Char(';'), Qt::SkipEmptyParts))
    if (!p.trimmed().isEmpty()) out << p.trimmed();
  return out;
}

QStringList TADOTable::detailFields() const {
  QStringList master = splitList(MasterFields);
  QStringList index = splitList(IndexFieldNames);
  if (index.size() >= master.size()) return index.mid(0, int(master.size()));
  return master;
}

bool TADOTable::linked() const {
  return masterSource_ && masterSource_->DataSet() && !splitList(MasterFields).isEmpty();
}

QString TADOTable::selectText() const {
  if (TableName.trimmed().isEmpty()) throw EDatabaseError(QStringLiteral("%1: Missing TableName").arg(objectName()));
  QString sql = QStringLiteral("select * from ") + SqlQuote::Identifier(TableName.trimmed());
  if (linked()) {
    QStringList fields = detailFields();
    QString where;
    for (const QString& f : fields) {
      if (!where.isEmpty()) where += QStringLiteral(" and ");
      where += SqlQuote::Identifier(f) + QStringLiteral("=?");
    }
    sql += QStringLiteral(" where ") + where;
  }
  QStringList order = splitList(IndexFieldNames);
  if (!order.isEmpty()) {
    QStringList q;
    for (const QString& o : order) q << SqlQuote::Identifier(o);
    sql += QStringLiteral(" order by ") + q.join(QLatin1Char(','));
  }
  return sql;
}

std::vector<Variant> TADOTable::selectParams() const {
  std::vector<Variant> params;
  if (!linked()) return params;
  TDataSet* m = masterSource_->DataSet();
  for (const QString& f : splitList(MasterFields)) {
    if (!m->Active() || m->IsEmpty()) params.push_back(Variant::null());
    else params.push_back(m->FieldByName(f)->Value());
  }
  return params;
}

void TADOTable::InternalInitRecord() {
  if (!linked()) return;
  TDataSet* m = masterSource_->DataSet();
  if (!m->Active() || m->IsEmpty()) return;
  QStringList master = splitList(MasterFields);
  QStringList detail = detailFields();
  for (int i = 0; i < master.size() && i < detail.size(); ++i) FieldByName(detail[i])->SetValue(m->FieldByName(master[i])->Value());
}

void TADOTable::masterChanged() {
  if (!Active() || !linked()) return;
  // Reread only when the master's link values differ from those shown.
  std::vector<Variant> now = selectParams();
  if (now.size() == lastParams_.size()) {
    bool same = true;
    for (size_t i = 0; i < now.size() && same; ++i) same = now[i] == lastParams_[i];
    if (same) return;
  }
  lastParams_ = now;
  Refill();
}

void TADOTable::InternalOpen() {
  lastParams_ = selectParams();
  TCustomADODataSet::InternalOpen();
}
