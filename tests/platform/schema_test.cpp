// The SQL scripts that create the main, local and chart databases: they run, they create the
// tables and fields the windows rely on with the declared types the data layer maps, they
// enforce the keys, and a new database holds the first rows a new office needs.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

// The repository folder: walked up from the test program's folder (build folders live inside
// the repository) until a folder holding schema/main.sql is found.
QString SchemaDir() {
  QDir dir(QCoreApplication::applicationDirPath());
  for (int i = 0; i < 12; ++i) {
    if (QFileInfo::exists(dir.filePath("schema/main.sql"))) return dir.filePath("schema");
    if (!dir.cdUp()) break;
  }
#ifdef ESTATE_FONTS_DIR
  // A build folder outside the repository: the platform library knows the source tree.
  QDir fonts(QStringLiteral(ESTATE_FONTS_DIR));
  if (fonts.cdUp() && QFileInfo::exists(fonts.filePath("schema/main.sql"))) return fonts.filePath("schema");
#endif
  return {};
}

std::string ReadScript(const char* name) {
  const QString dir = SchemaDir();
  if (dir.isEmpty()) return {};
  QFile f(dir + "/" + name);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll().toStdString();
}

// An in-memory SQLite database with one script applied, as the program applies it: the whole
// script inside one transaction.
class Db {
 public:
  explicit Db(const char* script) {
    sqlite3_open(":memory:", &db_);
    const std::string text = ReadScript(script);
    if (text.empty()) {
      error_ = std::string("script not found: ") + script;
      return;
    }
    error_ = Exec("BEGIN;\n" + text + "\nCOMMIT;");
  }
  ~Db() { sqlite3_close(db_); }
  Db(const Db&) = delete;
  Db& operator=(const Db&) = delete;

  const std::string& setupError() const { return error_; }

  // Runs statements; returns the database's message, empty on success.
  std::string Exec(const std::string& sql) {
    char* msg = nullptr;
    const int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &msg);
    std::string out = rc == SQLITE_OK ? std::string() : (msg ? msg : "error " + std::to_string(rc));
    sqlite3_free(msg);
    return out;
  }

  // The rows of a query, every value as text ("<null>" for null).
  std::vector<std::vector<std::string>> Rows(const std::string& sql) {
    std::vector<std::vector<std::string>> rows;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
      ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db_);
      return rows;
    }
    while (sqlite3_step(st) == SQLITE_ROW) {
      std::vector<std::string> row;
      for (int i = 0; i < sqlite3_column_count(st); ++i) {
        const unsigned char* t = sqlite3_column_text(st, i);
        row.push_back(sqlite3_column_type(st, i) == SQLITE_NULL ? "<null>" : reinterpret_cast<const char*>(t));
      }
      rows.push_back(row);
    }
    sqlite3_finalize(st);
    return rows;
  }

  std::string Value(const std::string& sql) {
    auto rows = Rows(sql);
    return rows.empty() || rows[0].empty() ? "<no row>" : rows[0][0];
  }

  struct Column {
    std::string type;  // the declared type word(s), without constraints
    bool notNull = false;
    std::string defaultValue;
    std::string collation;
  };
  // Columns of a table by name (empty when the table does not exist).
  std::map<std::string, Column> Columns(const std::string& table) {
    std::map<std::string, Column> cols;
    for (auto& r : Rows("pragma table_info(\"" + table + "\")")) {
      const char* collation = nullptr;
      sqlite3_table_column_metadata(db_, nullptr, table.c_str(), r[1].c_str(), nullptr, &collation, nullptr, nullptr,
                                    nullptr);
      cols[r[1]] = Column{r[2], r[3] == "1", r[4], collation ? collation : ""};
    }
    return cols;
  }

  std::vector<std::string> Tables() {
    std::vector<std::string> names;
    for (auto& r : Rows("select name from sqlite_master where type='table' order by name")) names.push_back(r[0]);
    return names;
  }

 private:
  sqlite3* db_ = nullptr;
  std::string error_;
};

// The 41 rights of an operator, in the order the log-in reads them.
const std::vector<std::string> kRights = {
    "操作员设置", "数据初始化", "楼宇资料设置", "业主资料设置", "收费项目设置", "房屋收费项目设置", "到期报警",
    "到期报警设置", "楼宇电表分摊管理", "楼宇水表分摊管理", "业主投诉", "业主投诉统计", "物资库存管理",
    "业主应缴费用管理", "业主缴费管理", "业主资料明细表", "前台管理模式", "实收费用明细表", "业主缴费明细查询",
    "业主押金管理", "业主押金明细表", "业主押金汇总表", "业主缴费全况表", "业主已缴费项目明细表",
    "业主未缴费项目明细表", "业主欠费总表", "按月份统计缴费总金额", "按收费项目统计缴费总金额", "编辑工作日志",
    "阅审工作日志", "编辑公司文件", "阅读公司文件", "保洁项目设置", "保洁明细表", "设备资料设置",
    "设备维护明细表", "打印权", "删除权", "编辑权", "导出权", "查找权"};

// The declared type words the data layer maps to field types.
const std::set<std::string> kTypeWords = {"TEXT", "LONGTEXT", "INTEGER", "FLOAT", "MONEY", "BOOLEAN", "DATETIME", "BLOB"};

struct TableCase {
  const char* script;
  const char* table;
  std::vector<std::pair<const char*, const char*>> columns;  // name, declared type word
};

// The type word of a declaration, without its size: "TEXT(20) COLLATE NOCASE" gives "TEXT".
std::string TypeWord(const std::string& decl) {
  const std::string word = decl.substr(0, decl.find(' '));
  return word.substr(0, word.find('('));
}

}  // namespace

TEST(SchemaScripts, EveryScriptRunsInOneTransactionAndUsesOnlyMappedTypes) {
  for (const char* script : {"main.sql", "local.sql", "chart.sql"}) {
    Db db(script);
    ASSERT_EQ(db.setupError(), "") << script;
    ASSERT_FALSE(db.Tables().empty()) << script;
    for (const auto& table : db.Tables()) {
      for (const auto& [name, col] : db.Columns(table)) {
        EXPECT_TRUE(kTypeWords.count(TypeWord(col.type))) << script << " " << table << "." << name << ": " << col.type;
        // Text must compare without regard to letter case.
        if (col.type.find("TEXT") != std::string::npos) {
          EXPECT_EQ(col.collation, "NOCASE") << table << "." << name;
        }
        // Short text of the main and local databases declares its size: the editors' limit
        // and the lists' default width.
        if (TypeWord(col.type) == "TEXT" && std::string(script) != "chart.sql") {
          EXPECT_EQ(col.type.rfind("TEXT(", 0), 0u) << script << " " << table << "." << name << ": " << col.type;
        }
        // Yes/no fields are never null, so "(打印=0)" finds a new row.
        if (TypeWord(col.type) == "BOOLEAN") {
          EXPECT_TRUE(col.notNull) << table << "." << name;
          EXPECT_EQ(col.defaultValue, "0") << table << "." << name;
        }
      }
    }
  }
}

TEST(SchemaScripts, TablesCarryTheFieldsTheWindowsUse) {
  const std::vector<TableCase> cases = {
      {"main.sql", "公司信息", {{"公司名称", "TEXT"}, {"系统标题", "TEXT"}, {"动态文字", "LONGTEXT"}, {"服务器名", "TEXT"},
                                {"数据库名", "TEXT"}, {"登陆名", "TEXT"}, {"登陆口令", "TEXT"}}},
      {"main.sql", "权限表", {{"代码", "TEXT"}, {"姓名", "TEXT"}, {"操作口令", "TEXT"}, {"输入法", "TEXT"},
                              {"小区代码", "TEXT"}, {"小区名称", "TEXT"}, {"操作员", "TEXT"}, {"操作日期", "DATETIME"}}},
      {"main.sql", "权限小区表", {{"代码", "TEXT"}, {"姓名", "TEXT"}, {"小区代码", "TEXT"}, {"小区名称", "TEXT"}}},
      {"main.sql", "部门表", {{"部门名称", "TEXT"}}},
      {"main.sql", "小区资料", {{"小区代码", "TEXT"}, {"小区名称", "TEXT"}, {"小区简介", "LONGTEXT"}, {"楼宇数量", "INTEGER"},
                                {"住户房屋数量", "INTEGER"}, {"服务器名", "TEXT"}, {"登陆口令", "TEXT"}}},
      {"main.sql", "楼宇资料", {{"小区代码", "TEXT"}, {"楼宇代码", "TEXT"}, {"楼宇名称", "TEXT"}, {"建成日期", "DATETIME"},
                                {"空置房数量", "INTEGER"}}},
      {"main.sql", "房屋资料", {{"小区代码", "TEXT"}, {"楼宇代码", "TEXT"}, {"房屋代码", "TEXT"}, {"楼宇单元", "TEXT"},
                                {"房屋面积", "FLOAT"}, {"使用面积", "FLOAT"}, {"其它面积一", "FLOAT"}, {"其它面积四", "FLOAT"},
                                {"零头", "MONEY"}, {"押金", "MONEY"}, {"租赁", "BOOLEAN"}, {"迁出日期", "DATETIME"},
                                {"使用状况", "TEXT"}, {"客户联系电话", "TEXT"}, {"关联单位", "TEXT"}, {"房型", "TEXT"},
                                {"装修情况", "LONGTEXT"}, {"银行帐号", "TEXT"}}},
      {"main.sql", "关联单位", {{"关联单位", "TEXT"}, {"小区代码", "TEXT"}, {"小区名称", "TEXT"}}},
      {"main.sql", "客户资料", {{"客户代码", "TEXT"}, {"客户名称", "TEXT"}, {"房屋代码", "TEXT"}, {"停用", "BOOLEAN"},
                                {"是否使用", "TEXT"}}},
      {"main.sql", "房屋租赁表", {{"房屋代码", "TEXT"}, {"客户名称", "TEXT"}, {"客户类型名称", "TEXT"}, {"迁入日期", "DATETIME"},
                                  {"已经迁入", "BOOLEAN"}, {"已经迁出", "BOOLEAN"}, {"实际迁出日期", "DATETIME"}}},
      {"main.sql", "楼层信息", {{"代码", "TEXT"}, {"名称", "TEXT"}}},
      {"main.sql", "房型信息", {{"代码", "TEXT"}, {"名称", "TEXT"}}},
      {"main.sql", "产权状况", {{"代码", "TEXT"}, {"名称", "TEXT"}}},
      {"main.sql", "客户类型", {{"代码", "TEXT"}, {"名称", "TEXT"}}},
      {"main.sql", "押金类别", {{"代码", "TEXT"}, {"名称", "TEXT"}}},
      {"main.sql", "收费项目", {{"小区代码", "TEXT"}, {"收费名称", "TEXT"}, {"单价", "MONEY"}, {"计算公式", "TEXT"},
                                {"收费面积", "TEXT"}, {"停止收费", "TEXT"}, {"收费类别", "TEXT"}, {"金额", "MONEY"}}},
      {"main.sql", "房屋收费项目", {{"房屋代码", "TEXT"}, {"收费名称", "TEXT"}, {"单价", "MONEY"}, {"预付金额", "MONEY"},
                                    {"金额", "MONEY"}, {"房屋面积", "FLOAT"}, {"计算公式", "TEXT"}}},
      {"main.sql", "收费明细表", {{"收费名称", "TEXT"}, {"单价", "MONEY"}, {"收费金额", "MONEY"}, {"本月表数", "FLOAT"},
                                  {"上月表数", "FLOAT"}, {"面积或数量", "FLOAT"}, {"开始日期", "DATETIME"},
                                  {"结束日期", "DATETIME"}, {"年度", "TEXT"}, {"月份", "TEXT"}, {"缴费状态", "TEXT"},
                                  {"缴费时间", "DATETIME"}, {"单据号码", "TEXT"}, {"关联单位", "TEXT"}, {"备注", "LONGTEXT"}}},
      {"main.sql", "收费汇总表", {{"收费项目", "TEXT"}, {"收费年月", "LONGTEXT"}, {"收费金额", "MONEY"}, {"现金", "MONEY"},
                                  {"支票", "MONEY"}, {"其它金额", "MONEY"}, {"实收金额", "MONEY"}, {"上次零头", "MONEY"},
                                  {"零头", "MONEY"}, {"行度面积", "FLOAT"}, {"缴费时间", "DATETIME"}, {"打印", "BOOLEAN"},
                                  {"缴费方式", "TEXT"}}},
      {"main.sql", "收据号码", {{"年度", "TEXT"}, {"收据号码", "TEXT"}}},
      {"main.sql", "押金明细表", {{"日期", "DATETIME"}, {"房屋代码", "TEXT"}, {"操作类型", "TEXT"}, {"金额", "MONEY"},
                                  {"押金类别代码", "TEXT"}, {"押金类别", "TEXT"}}},
      {"main.sql", "楼宇电表分摊", {{"楼宇代码", "TEXT"}, {"收费日期", "DATETIME"}, {"上月止码", "INTEGER"},
                                    {"本月止码", "INTEGER"}, {"业主分摊数量", "INTEGER"}, {"是否分摊", "BOOLEAN"}}},
      {"main.sql", "楼宇水表分摊", {{"楼宇代码", "TEXT"}, {"收费日期", "DATETIME"}, {"上月止码", "INTEGER"},
                                    {"本月止码", "INTEGER"}, {"业主分摊数量", "INTEGER"}, {"是否分摊", "BOOLEAN"}}},
      {"main.sql", "业主投诉表", {{"投诉单号", "TEXT"}, {"投诉日期", "DATETIME"}, {"房屋代码", "TEXT"}, {"投诉内容", "LONGTEXT"},
                                  {"处理结果", "TEXT"}, {"处理日期", "DATETIME"}, {"回访情况", "LONGTEXT"}}},
      {"main.sql", "员工工作日志", {{"代码", "TEXT"}, {"日期", "DATETIME"}, {"当日工作", "LONGTEXT"}, {"阅审完毕", "BOOLEAN"},
                                    {"阅审日期", "DATETIME"}, {"周数", "INTEGER"}}},
      {"main.sql", "保洁项目", {{"保洁代码", "TEXT"}, {"保洁名称", "TEXT"}, {"本次保洁日期", "DATETIME"}}},
      {"main.sql", "保洁明细表", {{"保洁代码", "TEXT"}, {"保洁人员", "TEXT"}, {"下次保洁日期", "DATETIME"}}},
      {"main.sql", "设备表", {{"设备代码", "TEXT"}, {"设备名称", "TEXT"}, {"报废", "BOOLEAN"}, {"下次维护日期", "DATETIME"}}},
      {"main.sql", "设备维护明细表", {{"设备代码", "TEXT"}, {"维护人员", "TEXT"}, {"本次维护日期", "DATETIME"}}},
      {"local.sql", "sysset", {{"zdtx", "BOOLEAN"}, {"dtwzyn", "BOOLEAN"}, {"租赁提前提醒天数", "INTEGER"},
                               {"租赁自动提醒", "BOOLEAN"}, {"投诉提前提醒天数", "INTEGER"}, {"投诉自动提醒", "BOOLEAN"}}},
      {"local.sql", "表1", {{"xh", "INTEGER"}, {"收费项目", "TEXT"}, {"应收金额", "MONEY"}, {"上次余额", "MONEY"},
                            {"计费期间", "TEXT"}, {"c0", "TEXT"}, {"c13", "TEXT"}}},
      {"local.sql", "表2", {{"xh", "INTEGER"}, {"c1", "TEXT"}, {"大写金额", "TEXT"}, {"小写金额", "MONEY"}, {"c20", "TEXT"}}},
      {"local.sql", "收费明细表", {{"房屋代码", "TEXT"}, {"余额", "MONEY"}, {"收费名称", "TEXT"}, {"单价", "MONEY"},
                                   {"面积或数量", "FLOAT"}, {"开始日期", "DATETIME"}, {"收费金额", "MONEY"}}},
      {"local.sql", "澄川交费通知单", {{"编号", "TEXT"}, {"年", "TEXT"}, {"业主姓名", "TEXT"}, {"房费", "MONEY"},
                                       {"其它费", "MONEY"}, {"水表度数", "MONEY"}, {"计费日", "TEXT"}, {"合计金额", "MONEY"}}},
      {"chart.sql", "图形显示", {{"texta", "TEXT"}, {"moneya", "MONEY"}, {"moneyb", "MONEY"}, {"moneyc", "MONEY"}}},
  };
  std::map<std::string, std::unique_ptr<Db>> dbs;
  for (const auto& c : cases) {
    auto& db = dbs[c.script];
    if (!db) db = std::make_unique<Db>(c.script);
    ASSERT_EQ(db->setupError(), "") << c.script;
    const auto cols = db->Columns(c.table);
    ASSERT_FALSE(cols.empty()) << c.script << ": no table " << c.table;
    for (const auto& [name, type] : c.columns) {
      auto it = cols.find(name);
      if (it == cols.end()) {
        ADD_FAILURE() << c.table << " lacks " << name;
        continue;
      }
      EXPECT_EQ(TypeWord(it->second.type), type) << c.table << "." << name;
    }
  }
}

TEST(SchemaScripts, OperatorTableCarriesTheFortyOneRights) {
  Db db("main.sql");
  ASSERT_EQ(db.setupError(), "");
  const auto cols = db.Columns("权限表");
  ASSERT_EQ(kRights.size(), 41u);
  for (const auto& right : kRights) {
    auto it = cols.find(right);
    ASSERT_NE(it, cols.end()) << right;
    EXPECT_EQ(TypeWord(it->second.type), "BOOLEAN") << right;
  }
  size_t booleans = 0;
  for (const auto& [name, col] : cols) booleans += TypeWord(col.type) == "BOOLEAN";
  EXPECT_EQ(booleans, kRights.size());
}

TEST(SchemaScripts, ScratchTablesHaveEveryGenericColumn) {
  Db db("local.sql");
  ASSERT_EQ(db.setupError(), "");
  std::map<std::string, std::string> expected;  // column -> type word
  for (char c = 'a'; c <= 'm'; ++c) expected[std::string("text") + c] = "TEXT";
  for (char c = 'a'; c <= 'c'; ++c) expected[std::string("number") + c] = "INTEGER";
  for (char c = 'a'; c <= 'p'; ++c) expected[std::string("money") + c] = "MONEY";
  for (int n = 1; n <= 3; ++n) expected["money" + std::to_string(n)] = "MONEY";
  for (char c = 'a'; c <= 'c'; ++c) expected[std::string("date") + c] = "DATETIME";
  for (char c = 'a'; c <= 'c'; ++c) expected[std::string("float") + c] = "FLOAT";
  const auto tongyong = db.Columns("通用");
  EXPECT_EQ(tongyong.size(), expected.size());
  for (const auto& [name, type] : expected) {
    auto it = tongyong.find(name);
    ASSERT_NE(it, tongyong.end()) << "通用." << name;
    EXPECT_EQ(TypeWord(it->second.type), type) << "通用." << name;
  }

  const auto mafan = db.Columns("麻烦");
  EXPECT_EQ(mafan.size(), 4u + 168u);
  for (const char* name : {"texta", "textb", "textc"}) EXPECT_EQ(TypeWord(mafan.at(name).type), "TEXT") << name;
  EXPECT_EQ(TypeWord(mafan.at("floata").type), "FLOAT");
  for (int n = 1; n <= 168; ++n) {
    auto it = mafan.find("money" + std::to_string(n));
    ASSERT_NE(it, mafan.end()) << "麻烦.money" << n;
    EXPECT_EQ(TypeWord(it->second.type), "MONEY");
  }
}

TEST(SchemaScripts, NewMainDatabaseHoldsItsFirstRows) {
  Db db("main.sql");
  ASSERT_EQ(db.setupError(), "");

  // One estate, with a code the estate window would accept (at least 4 bytes).
  auto estates = db.Rows("select 小区代码, 小区名称 from 小区资料");
  ASSERT_EQ(estates.size(), 1u);
  EXPECT_GE(estates[0][0].size(), 4u);
  EXPECT_FALSE(estates[0][1].empty());

  // One operator who can log in with an empty password and may do everything.
  auto ops = db.Rows("select 代码, 姓名, 操作口令, typeof(操作口令) from 权限表");
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0][0], "001");
  EXPECT_EQ(ops[0][1], "系统管理员");
  EXPECT_EQ(ops[0][2], "");
  EXPECT_EQ(ops[0][3], "text");  // empty text, not null: the upper-cased comparison with "" matches
  for (const auto& right : kRights)
    EXPECT_EQ(db.Value("select \"" + right + "\" from 权限表 where 代码='001'"), "1") << right;

  // The company row: caption, scrolling text, empty company-server settings.
  auto company = db.Rows("select 公司名称, 系统标题, 动态文字, 服务器名, 数据库名, 登陆名, 登陆口令 from 公司信息");
  ASSERT_EQ(company.size(), 1u);
  EXPECT_FALSE(company[0][0].empty());
  EXPECT_EQ(company[0][1], "物业管理系统");
  EXPECT_FALSE(company[0][2].empty());
  for (int i = 3; i < 7; ++i) EXPECT_EQ(company[0][i], "") << i;

  // Everything else starts empty: the receipt counter draws the year's first number itself.
  for (const char* table : {"收据号码", "楼宇资料", "房屋资料", "收费项目", "收费明细表", "收费汇总表", "押金明细表",
                            "业主投诉表", "楼层信息", "房型信息", "产权状况", "客户类型", "押金类别", "权限小区表"})
    EXPECT_EQ(db.Value(std::string("select count(*) from ") + table), "0") << table;
}

TEST(SchemaScripts, NewLocalDatabaseHoldsTheSettingsRow) {
  Db db("local.sql");
  ASSERT_EQ(db.setupError(), "");
  auto rows = db.Rows("select zdtx, dtwzyn, 租赁提前提醒天数, 租赁自动提醒, 投诉提前提醒天数, 投诉自动提醒 from sysset");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], "0");  // no reminder list at start-up
  EXPECT_EQ(rows[0][1], "1");  // scrolling text on
  EXPECT_GT(std::stoi(rows[0][2]), 0);
  EXPECT_EQ(rows[0][3], "0");
  EXPECT_GT(std::stoi(rows[0][4]), 0);
  EXPECT_EQ(rows[0][5], "0");
  for (const char* table : {"通用", "麻烦", "表1", "表2", "收费明细表", "澄川交费通知单"})
    EXPECT_EQ(db.Value(std::string("select count(*) from ") + table), "0") << table;
  Db chart("chart.sql");
  ASSERT_EQ(chart.setupError(), "");
  EXPECT_EQ(chart.Value("select count(*) from 图形显示"), "0");
}

TEST(SchemaScripts, KeysRejectDuplicatesAndAllowWhatTheyShould) {
  struct Case {
    const char* what;
    const char* first;   // inserted first, must succeed
    const char* second;  // then this one
    bool accepted;
  };
  const Case cases[] = {
      {"estate code", "insert into 小区资料(小区代码,小区名称) values('AB01','甲')",
       "insert into 小区资料(小区代码,小区名称) values('ab01','乙')", false},
      {"operator code", "insert into 权限表(代码,姓名) values('002','张三')",
       "insert into 权限表(代码,姓名) values('002','李四')", false},
      {"operators may share a name", "insert into 权限表(代码,姓名) values('003','张三')",
       "insert into 权限表(代码,姓名) values('004','张三')", true},
      {"building within its estate", "insert into 楼宇资料(小区代码,楼宇代码,楼宇名称) values('0001','A','A座')",
       "insert into 楼宇资料(小区代码,楼宇代码,楼宇名称) values('0001','a','A座二')", false},
      {"building code again in another estate",
       "insert into 楼宇资料(小区代码,楼宇代码,楼宇名称) values('0001','B','B座')",
       "insert into 楼宇资料(小区代码,楼宇代码,楼宇名称) values('0002','B','B座')", true},
      {"building without estate", "insert into 楼宇资料(楼宇代码,楼宇名称) values('C','C座')",
       "insert into 楼宇资料(小区代码,楼宇代码,楼宇名称) values('','C','C座')", false},
      {"house within its estate", "insert into 房屋资料(小区代码,房屋代码) values('0001','A101')",
       "insert into 房屋资料(小区代码,房屋代码) values('0001','A101')", false},
      {"house without estate", "insert into 房屋资料(房屋代码) values('A102')",
       "insert into 房屋资料(房屋代码) values('A102')", false},
      {"house code again in another estate", "insert into 房屋资料(小区代码,房屋代码) values('0001','A103')",
       "insert into 房屋资料(小区代码,房屋代码) values('0002','A103')", true},
      {"charge item within its estate", "insert into 收费项目(收费名称,计算公式) values('物管费','单价*面积')",
       "insert into 收费项目(小区代码,收费名称,计算公式) values(null,'物管费','直接输入金额')", false},
      {"charge item again in another estate",
       "insert into 收费项目(小区代码,收费名称,计算公式) values('0001','水费','单价*(本月数-上月数)')",
       "insert into 收费项目(小区代码,收费名称,计算公式) values('0002','水费','单价*(本月数-上月数)')", true},
      {"house charge standard", "insert into 房屋收费项目(小区代码,房屋代码,收费名称) values('0001','A101','电费')",
       "insert into 房屋收费项目(小区代码,房屋代码,收费名称) values('0001','A101','电费')", false},
      {"the same item for another house",
       "insert into 房屋收费项目(小区代码,房屋代码,收费名称) values('0001','A101','卫生费')",
       "insert into 房屋收费项目(小区代码,房屋代码,收费名称) values('0001','A102','卫生费')", true},
      {"receipt counter per year", "insert into 收据号码(年度,收据号码) values('2005','200500001')",
       "insert into 收据号码(年度,收据号码) values('2005','200500002')", false},
      {"complaint number", "insert into 业主投诉表(投诉单号) values('TS20050300000001')",
       "insert into 业主投诉表(投诉单号) values('TS20050300000001')", false},
      {"associated unit name", "insert into 关联单位(关联单位) values('某公司')",
       "insert into 关联单位(关联单位,小区代码) values('某公司','0002')", false},
      {"customer code", "insert into 客户资料(客户代码,客户名称) values('K1','王五')",
       "insert into 客户资料(客户代码,客户名称) values('K1','赵六')", false},
      {"customer name", "insert into 客户资料(客户代码,客户名称) values('K2','钱七')",
       "insert into 客户资料(客户代码,客户名称) values('K3','钱七')", false},
      {"cleaning item code", "insert into 保洁项目(保洁代码,保洁名称) values('BJ1','大堂')",
       "insert into 保洁项目(保洁代码,保洁名称) values('BJ1','楼梯')", false},
      {"cleaning item name", "insert into 保洁项目(保洁代码,保洁名称) values('BJ2','车库')",
       "insert into 保洁项目(保洁代码,保洁名称) values('BJ3','车库')", false},
      {"equipment code", "insert into 设备表(设备代码,设备名称) values('SB1','水泵')",
       "insert into 设备表(设备代码,设备名称) values('SB1','电梯')", false},
      {"equipment name", "insert into 设备表(设备代码,设备名称) values('SB2','配电柜')",
       "insert into 设备表(设备代码,设备名称) values('SB3','配电柜')", false},
      {"one bill row per item, house and month", "insert into 收费明细表(收费名称,房屋代码,年度,月份) values('电费','A101','2005','3')",
       "insert into 收费明细表(收费名称,房屋代码,年度,月份) values('电费','A101','2005','3')", false},
      {"another month of the item is another bill row",
       "insert into 收费明细表(收费名称,房屋代码,年度,月份) values('电费','A101','2005','3')",
       "insert into 收费明细表(收费名称,房屋代码,年度,月份) values('电费','A101','2005','4')", true},
      {"type tables carry no key", "insert into 楼层信息(代码,名称) values('001','一层')",
       "insert into 楼层信息(代码,名称) values('001','一层')", true},
  };
  for (const auto& c : cases) {
    Db db("main.sql");
    ASSERT_EQ(db.setupError(), "");
    ASSERT_EQ(db.Exec(c.first), "") << c.what;
    const std::string err = db.Exec(c.second);
    if (c.accepted)
      EXPECT_EQ(err, "") << c.what;
    else
      EXPECT_NE(err.find("UNIQUE"), std::string::npos) << c.what << ": " << err;
  }
}

TEST(SchemaScripts, RequiredFieldsRefuseNull) {
  const char* statements[] = {
      "insert into 权限表(姓名) values('无代码')",
      "insert into 小区资料(小区代码) values('0009')",
      "insert into 楼宇资料(小区代码,楼宇代码) values('0001','Z')",
      "insert into 房屋资料(小区代码) values('0001')",
      "insert into 收费项目(收费名称) values('无公式')",
      "insert into 押金明细表(房屋代码,金额) values('A101',100)",
      "insert into 房屋租赁表(房屋代码,客户名称,迁入日期) values('A101','王五','2005-03-01 00:00:00')",
      "insert into 楼宇电表分摊(楼宇代码,收费日期,本月止码) values('A','2005-03-31 00:00:00',100)",
      "insert into 员工工作日志(代码,日期) values('001','2005-03-01 00:00:00')",
      "insert into 保洁明细表(保洁代码,本次保洁日期,下次保洁日期) values('BJ1','2005-03-01 00:00:00','2005-04-01 00:00:00')",
      "insert into 设备维护明细表(设备代码,本次维护日期,维护人员) values('SB1','2005-03-01 00:00:00','李')",
  };
  Db db("main.sql");
  ASSERT_EQ(db.setupError(), "");
  for (const char* sql : statements) {
    const std::string err = db.Exec(sql);
    EXPECT_NE(err.find("NOT NULL"), std::string::npos) << sql << ": " << err;
  }
}

TEST(SchemaScripts, StoredValuesKeepTheirMeaning) {
  Db db("main.sql");
  ASSERT_EQ(db.setupError(), "");

  // A charge item saved without an estate holds empty text, so the save's uniqueness query
  // "(收费名称=…)and(小区代码='')" finds it, whether the estate was left out or written as null.
  ASSERT_EQ(db.Exec("insert into 收费项目(收费名称,计算公式) values('物管费','单价*面积')"), "");
  ASSERT_EQ(db.Exec("insert into 收费项目(小区代码,小区名称,收费名称,计算公式) values(null,null,'电费','单价*(本月数-上月数)')"), "");
  EXPECT_EQ(db.Value("select count(*) from 收费项目 where (收费名称='物管费')and(小区代码='')"), "1");
  EXPECT_EQ(db.Value("select count(*) from 收费项目 where (收费名称='电费')and(小区代码='')and(小区名称='')"), "1");

  // Codes and remarks that look like numbers stay text ("0012" is not 12).
  ASSERT_EQ(db.Exec("insert into 收费明细表(房屋代码,年度,月份,备注,单据号码) values('0012','2005','3','0012','007')"), "");
  EXPECT_EQ(db.Value("select typeof(房屋代码)||typeof(年度)||typeof(备注)||typeof(单据号码) from 收费明细表"),
            "texttexttexttext");
  EXPECT_EQ(db.Value("select 备注 || '|' || 单据号码 from 收费明细表"), "0012|007");
  ASSERT_EQ(db.Exec("insert into 业主投诉表(投诉单号,投诉内容,回访情况) values('X1','123','4.50')"), "");
  EXPECT_EQ(db.Value("select 投诉内容 || '|' || 回访情况 from 业主投诉表"), "123|4.50");

  // Text compares without regard to letter case; dates stored as text order as dates.
  ASSERT_EQ(db.Exec("insert into 关联单位(关联单位) values('Abc Trading')"), "");
  EXPECT_EQ(db.Value("select count(*) from 关联单位 where 关联单位='ABC TRADING'"), "1");
  ASSERT_EQ(db.Exec("insert into 押金明细表(日期,房屋代码,操作类型,金额) values"
                    "('2005-03-01 00:00:00','A101','收取',100),('2005-10-01 00:00:00','A101','收取',50)"),
            "");
  EXPECT_EQ(db.Value("select sum(金额) from 押金明细表 where 日期 between '2005-02-01 00:00:00' and '2005-03-31 23:59:59'"),
            "100");

  // A new payment reads as not printed and a new house as not let.
  ASSERT_EQ(db.Exec("insert into 收费汇总表(房屋代码,收费项目) values('A101','电费')"), "");
  EXPECT_EQ(db.Value("select count(*) from 收费汇总表 where (房屋代码='A101')and(打印=0)"), "1");
  ASSERT_EQ(db.Exec("insert into 房屋资料(小区代码,房屋代码) values('0001','A101')"), "");
  EXPECT_EQ(db.Value("select 租赁 from 房屋资料 where 房屋代码='A101'"), "0");
}

TEST(SchemaScripts, PrintTablesKeepTheirRowOrderAndZeroAmounts) {
  Db db("local.sql");
  ASSERT_EQ(db.setupError(), "");
  // The templates read 表1 and 表2 back "order by xh": it must grow with every appended row,
  // also after the table was emptied for the next print.
  for (const char* table : {"表1", "表2"}) {
    const std::string t = table;
    ASSERT_EQ(db.Exec("insert into " + t + "(c1) values('a'); insert into " + t + "(c1) values('b');"), "");
    ASSERT_EQ(db.Exec("delete from " + t), "");
    ASSERT_EQ(db.Exec("insert into " + t + "(c1) values('x'); insert into " + t + "(c1) values('y');"
                      "insert into " + t + "(c1) values('z');"),
              "");
    std::string order;
    for (auto& r : db.Rows("select c1 from " + t + " order by xh")) order += r[0];
    EXPECT_EQ(order, "xyz") << table;
    EXPECT_EQ(db.Value("select count(distinct xh) from " + t), "3") << table;
  }
  // The customer notice's columns without a bill row read 0.
  ASSERT_EQ(db.Exec("insert into 澄川交费通知单(编号,房屋代码,房费,合计金额) values('200500001','A101',800,800)"), "");
  EXPECT_EQ(db.Value("select 卫生费 + 保安费 + 其它费 + 电表金额 + 水表金额 + 水表度数 from 澄川交费通知单"), "0");
}
