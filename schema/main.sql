-- Main database of the estate office (kelo.db).
--
-- Created by the program when the file is missing: all tables, their indexes and
-- the first rows a new office needs (one estate, one operator with every right,
-- the company information row).
--
-- Declared type words are read by the data layer to choose field types:
--   TEXT(n) COLLATE NOCASE   text of at most n characters (case-insensitive comparison, as
--                            the office's data expects); n is what the editors accept and
--                            what a list column's default width is made for
--   LONGTEXT COLLATE NOCASE  long free text (a word with TEXT in it, so that SQLite keeps
--                            every value as text: a remark "0012" stays "0012")
--   INTEGER                  whole numbers
--   FLOAT                    floating-point numbers (areas, meter readings)
--   MONEY                    amounts, exact to the ten-thousandth
--   BOOLEAN                  yes/no as 0/1, never null
--   DATETIME                 dates and date-times as 'YYYY-MM-DD HH:MM:SS'
--   BLOB                     pictures
-- Tables link by code text, never by numeric identifiers. SQLite does not enforce the
-- text lengths; the editors do.
--
-- The script holds no transaction statements; the caller runs it inside one
-- transaction so that a new file gets all of it or none.

------------------------------------------------------------------------------
-- Company and operators
------------------------------------------------------------------------------

-- The office's own data: one row, the first row is used. Window caption, the
-- scrolling text of the main window and the connection settings of the
-- company's document server.
CREATE TABLE 公司信息 (
    公司名称   TEXT(40) COLLATE NOCASE NOT NULL,
    公司地址   TEXT(60) COLLATE NOCASE,
    联系电话   TEXT(20) COLLATE NOCASE,
    联系人     TEXT(20) COLLATE NOCASE,
    邮政编码   TEXT(10) COLLATE NOCASE,
    系统标题   TEXT(60) COLLATE NOCASE NOT NULL,
    动态文字   LONGTEXT COLLATE NOCASE,
    服务器名   TEXT(40) COLLATE NOCASE,
    数据库名   TEXT(40) COLLATE NOCASE,
    登陆名     TEXT(20) COLLATE NOCASE,
    登陆口令   TEXT(20) COLLATE NOCASE
);

-- Operators, one row each: identity, plain-text password (compared in upper
-- case), input method, and the 41 rights. The first 36 rights gate the main
-- window's commands, the last five (打印权 … 查找权) the buttons of every window.
-- 小区代码 and 小区名称 follow an estate rename.
CREATE TABLE 权限表 (
    代码       TEXT(20) COLLATE NOCASE NOT NULL,
    姓名       TEXT(20) COLLATE NOCASE NOT NULL,
    身份证号   TEXT(20) COLLATE NOCASE,
    联系电话   TEXT(20) COLLATE NOCASE,
    输入法     TEXT(40) COLLATE NOCASE,
    备注       TEXT(60) COLLATE NOCASE,
    操作口令   TEXT(10) COLLATE NOCASE,           -- at most 10 characters
    小区代码   TEXT(10) COLLATE NOCASE,
    小区名称   TEXT(40) COLLATE NOCASE,
    操作员     TEXT(20) COLLATE NOCASE,
    操作日期   DATETIME,
    操作员设置             BOOLEAN NOT NULL DEFAULT 0,
    数据初始化             BOOLEAN NOT NULL DEFAULT 0,
    楼宇资料设置           BOOLEAN NOT NULL DEFAULT 0,
    业主资料设置           BOOLEAN NOT NULL DEFAULT 0,
    收费项目设置           BOOLEAN NOT NULL DEFAULT 0,
    房屋收费项目设置       BOOLEAN NOT NULL DEFAULT 0,
    到期报警               BOOLEAN NOT NULL DEFAULT 0,
    到期报警设置           BOOLEAN NOT NULL DEFAULT 0,
    楼宇电表分摊管理       BOOLEAN NOT NULL DEFAULT 0,
    楼宇水表分摊管理       BOOLEAN NOT NULL DEFAULT 0,
    业主投诉               BOOLEAN NOT NULL DEFAULT 0,
    业主投诉统计           BOOLEAN NOT NULL DEFAULT 0,
    物资库存管理           BOOLEAN NOT NULL DEFAULT 0,
    业主应缴费用管理       BOOLEAN NOT NULL DEFAULT 0,
    业主缴费管理           BOOLEAN NOT NULL DEFAULT 0,
    业主资料明细表         BOOLEAN NOT NULL DEFAULT 0,
    前台管理模式           BOOLEAN NOT NULL DEFAULT 0,
    实收费用明细表         BOOLEAN NOT NULL DEFAULT 0,
    业主缴费明细查询       BOOLEAN NOT NULL DEFAULT 0,
    业主押金管理           BOOLEAN NOT NULL DEFAULT 0,
    业主押金明细表         BOOLEAN NOT NULL DEFAULT 0,
    业主押金汇总表         BOOLEAN NOT NULL DEFAULT 0,
    业主缴费全况表         BOOLEAN NOT NULL DEFAULT 0,
    业主已缴费项目明细表   BOOLEAN NOT NULL DEFAULT 0,
    业主未缴费项目明细表   BOOLEAN NOT NULL DEFAULT 0,
    业主欠费总表           BOOLEAN NOT NULL DEFAULT 0,
    按月份统计缴费总金额   BOOLEAN NOT NULL DEFAULT 0,
    按收费项目统计缴费总金额 BOOLEAN NOT NULL DEFAULT 0,
    编辑工作日志           BOOLEAN NOT NULL DEFAULT 0,
    阅审工作日志           BOOLEAN NOT NULL DEFAULT 0,
    编辑公司文件           BOOLEAN NOT NULL DEFAULT 0,
    阅读公司文件           BOOLEAN NOT NULL DEFAULT 0,
    保洁项目设置           BOOLEAN NOT NULL DEFAULT 0,
    保洁明细表             BOOLEAN NOT NULL DEFAULT 0,
    设备资料设置           BOOLEAN NOT NULL DEFAULT 0,
    设备维护明细表         BOOLEAN NOT NULL DEFAULT 0,
    打印权                 BOOLEAN NOT NULL DEFAULT 0,
    删除权                 BOOLEAN NOT NULL DEFAULT 0,
    编辑权                 BOOLEAN NOT NULL DEFAULT 0,
    导出权                 BOOLEAN NOT NULL DEFAULT 0,
    查找权                 BOOLEAN NOT NULL DEFAULT 0
);
CREATE UNIQUE INDEX 权限表_代码 ON 权限表 (代码);
CREATE INDEX 权限表_姓名 ON 权限表 (姓名);

-- The estates each operator may work on (read by the estate-choosing log-in).
CREATE TABLE 权限小区表 (
    代码       TEXT(20) COLLATE NOCASE,
    姓名       TEXT(20) COLLATE NOCASE,
    小区代码   TEXT(10) COLLATE NOCASE,
    小区名称   TEXT(40) COLLATE NOCASE
);
CREATE INDEX 权限小区表_代码 ON 权限小区表 (代码);

-- Departments of the company, offered as the issuing department of documents.
CREATE TABLE 部门表 (
    部门名称   TEXT(40) COLLATE NOCASE
);

------------------------------------------------------------------------------
-- Estates, buildings, houses
------------------------------------------------------------------------------

-- Estates. The code (at least 4 bytes, upper case) is copied into every table
-- that belongs to an estate. The server fields name an estate's own database.
CREATE TABLE 小区资料 (
    小区代码     TEXT(10) COLLATE NOCASE NOT NULL,
    小区名称     TEXT(40) COLLATE NOCASE NOT NULL,
    小区地址     TEXT(60) COLLATE NOCASE,
    小区简介     LONGTEXT COLLATE NOCASE,
    楼宇数量     INTEGER,
    房屋数量     INTEGER,
    住户数量     INTEGER,
    住户房屋数量 INTEGER,
    备注         TEXT(60) COLLATE NOCASE,
    服务器名     TEXT(40) COLLATE NOCASE,
    数据库名     TEXT(40) COLLATE NOCASE,
    登陆名       TEXT(20) COLLATE NOCASE,
    登陆口令     TEXT(20) COLLATE NOCASE,
    操作人员     TEXT(20) COLLATE NOCASE,
    操作日期     DATETIME
);
CREATE UNIQUE INDEX 小区资料_小区代码 ON 小区资料 (小区代码);

-- Buildings of the estates; the building code is unique within its estate.
CREATE TABLE 楼宇资料 (
    小区代码     TEXT(10) COLLATE NOCASE,
    小区名称     TEXT(40) COLLATE NOCASE,
    楼宇代码     TEXT(16) COLLATE NOCASE NOT NULL,
    楼宇名称     TEXT(40) COLLATE NOCASE NOT NULL,
    建成日期     DATETIME,
    楼房结构     TEXT(20) COLLATE NOCASE,
    楼宇层数     INTEGER,
    单元数       INTEGER,
    房屋数量     INTEGER,
    住户数量     INTEGER,
    空置房数量   INTEGER,
    备注         TEXT(60) COLLATE NOCASE,
    操作人员     TEXT(20) COLLATE NOCASE,
    操作日期     DATETIME
);
CREATE UNIQUE INDEX 楼宇资料_小区代码_楼宇代码
    ON 楼宇资料 (ifnull(小区代码, '') COLLATE NOCASE, 楼宇代码);
CREATE INDEX 楼宇资料_楼宇名称 ON 楼宇资料 (楼宇名称);

-- Houses with their owner and current tenant; the house code is unique within
-- its estate and links every charging row to the house. 零头 is the carried
-- balance kept by the payments, 押金 the deposit total kept by the deposit
-- ledger. The areas are the bases a charge item may be charged on.
CREATE TABLE 房屋资料 (
    小区代码       TEXT(10) COLLATE NOCASE,
    小区名称       TEXT(40) COLLATE NOCASE,
    楼宇代码       TEXT(16) COLLATE NOCASE,
    楼宇名称       TEXT(40) COLLATE NOCASE,
    房屋代码       TEXT(20) COLLATE NOCASE NOT NULL,
    楼宇单元       TEXT(10) COLLATE NOCASE,
    房号           TEXT(10) COLLATE NOCASE,
    楼层代码       TEXT(16) COLLATE NOCASE,
    楼层           TEXT(20) COLLATE NOCASE,
    房型代码       TEXT(16) COLLATE NOCASE,
    房型           TEXT(20) COLLATE NOCASE,
    产权状况代码   TEXT(16) COLLATE NOCASE,
    产权状况       TEXT(20) COLLATE NOCASE,
    房屋面积       FLOAT,
    使用面积       FLOAT,
    其它面积一     FLOAT,
    其它面积二     FLOAT,
    其它面积三     FLOAT,
    其它面积四     FLOAT,
    业主名称       TEXT(40) COLLATE NOCASE,
    身份证号       TEXT(20) COLLATE NOCASE,
    工作单位       TEXT(40) COLLATE NOCASE,
    联系电话       TEXT(20) COLLATE NOCASE,
    联系地址       TEXT(60) COLLATE NOCASE,
    房屋位置       TEXT(60) COLLATE NOCASE,
    开户银行       TEXT(40) COLLATE NOCASE,
    银行帐号       TEXT(30) COLLATE NOCASE,
    迁入日期       DATETIME,
    入伙日期       DATETIME,
    迁出日期       DATETIME,
    租赁           BOOLEAN NOT NULL DEFAULT 0,
    装修情况       LONGTEXT COLLATE NOCASE,
    车辆车位       TEXT(40) COLLATE NOCASE,
    关联单位       TEXT(40) COLLATE NOCASE,
    备注           LONGTEXT COLLATE NOCASE,
    零头           MONEY,
    押金           MONEY,
    使用状况       TEXT(10) COLLATE NOCASE,      -- "入住", "预定" or "空置"
    客户名称       TEXT(40) COLLATE NOCASE,
    商户类型       TEXT(20) COLLATE NOCASE,
    客户身份证号   TEXT(20) COLLATE NOCASE,
    客户工作单位   TEXT(40) COLLATE NOCASE,
    客户联系地址   TEXT(60) COLLATE NOCASE,
    客户联系电话   TEXT(20) COLLATE NOCASE,
    操作人员       TEXT(20) COLLATE NOCASE,
    操作日期       DATETIME
);
CREATE UNIQUE INDEX 房屋资料_小区代码_房屋代码
    ON 房屋资料 (ifnull(小区代码, '') COLLATE NOCASE, 房屋代码);
CREATE INDEX 房屋资料_房屋代码 ON 房屋资料 (房屋代码);
CREATE INDEX 房屋资料_楼宇 ON 房屋资料 (小区代码, 楼宇代码);

-- Associated units (a company renting several houses); the name is unique
-- over the whole table.
CREATE TABLE 关联单位 (
    关联单位   TEXT(40) COLLATE NOCASE NOT NULL,
    小区代码   TEXT(10) COLLATE NOCASE,
    小区名称   TEXT(40) COLLATE NOCASE,
    备注       LONGTEXT COLLATE NOCASE,
    操作人员   TEXT(20) COLLATE NOCASE,
    操作日期   DATETIME
);
CREATE UNIQUE INDEX 关联单位_关联单位 ON 关联单位 (关联单位);

-- Customers (tenants and buyers); code and name are each unique.
CREATE TABLE 客户资料 (
    客户代码   TEXT(20) COLLATE NOCASE NOT NULL,
    客户名称   TEXT(40) COLLATE NOCASE NOT NULL,
    身份证号   TEXT(20) COLLATE NOCASE,
    联系电话   TEXT(20) COLLATE NOCASE,
    工作单位   TEXT(40) COLLATE NOCASE,
    联系地址   TEXT(60) COLLATE NOCASE,
    开户银行   TEXT(40) COLLATE NOCASE,
    银行帐号   TEXT(30) COLLATE NOCASE,
    房屋代码   TEXT(20) COLLATE NOCASE,          -- the house rented now, empty when none
    停用       BOOLEAN NOT NULL DEFAULT 0,
    是否使用   TEXT(10) COLLATE NOCASE,          -- "否" once the customer's lease was deleted
    备注       TEXT(60) COLLATE NOCASE,
    操作人员   TEXT(20) COLLATE NOCASE,
    操作日期   DATETIME
);
CREATE UNIQUE INDEX 客户资料_客户代码 ON 客户资料 (客户代码);
CREATE UNIQUE INDEX 客户资料_客户名称 ON 客户资料 (客户名称);

-- Leases and sales of houses to customers, one row per lease; no key.
CREATE TABLE 房屋租赁表 (
    小区代码       TEXT(10) COLLATE NOCASE,
    小区名称       TEXT(40) COLLATE NOCASE,
    楼宇代码       TEXT(16) COLLATE NOCASE,
    楼宇名称       TEXT(40) COLLATE NOCASE,
    楼宇单元       TEXT(10) COLLATE NOCASE,
    房屋代码       TEXT(20) COLLATE NOCASE NOT NULL,
    房屋位置       TEXT(60) COLLATE NOCASE,
    客户代码       TEXT(20) COLLATE NOCASE,
    客户名称       TEXT(40) COLLATE NOCASE NOT NULL,
    身份证号       TEXT(20) COLLATE NOCASE,
    工作单位       TEXT(40) COLLATE NOCASE,
    联系地址       TEXT(60) COLLATE NOCASE,
    联系电话       TEXT(20) COLLATE NOCASE,
    客户类型代码   TEXT(16) COLLATE NOCASE,
    客户类型名称   TEXT(40) COLLATE NOCASE NOT NULL,
    商户类型       TEXT(20) COLLATE NOCASE,
    租售情况       TEXT(10) COLLATE NOCASE,      -- "租房" or "售房"
    迁入日期       DATETIME NOT NULL,
    已经迁入       BOOLEAN NOT NULL DEFAULT 0,
    预计迁出日期   DATETIME,
    实际迁出日期   DATETIME,
    已经迁出       BOOLEAN NOT NULL DEFAULT 0,
    备注           TEXT(60) COLLATE NOCASE,
    操作人员       TEXT(20) COLLATE NOCASE,
    操作日期       DATETIME
);
CREATE INDEX 房屋租赁表_房屋代码 ON 房屋租赁表 (房屋代码);

------------------------------------------------------------------------------
-- Coded type tables: a hierarchical code (one fixed-width segment of digits per
-- tree level) and a name. Codes are unique by construction of the tree editor;
-- no key is declared.
------------------------------------------------------------------------------

-- Floors of houses.
CREATE TABLE 楼层信息 (
    代码   TEXT(20) COLLATE NOCASE,
    名称   TEXT(40) COLLATE NOCASE
);
-- House types.
CREATE TABLE 房型信息 (
    代码   TEXT(20) COLLATE NOCASE,
    名称   TEXT(40) COLLATE NOCASE
);
-- Ownership statuses of houses.
CREATE TABLE 产权状况 (
    代码   TEXT(20) COLLATE NOCASE,
    名称   TEXT(40) COLLATE NOCASE
);
-- Customer types of leases.
CREATE TABLE 客户类型 (
    代码   TEXT(20) COLLATE NOCASE,
    名称   TEXT(40) COLLATE NOCASE
);
-- Deposit categories.
CREATE TABLE 押金类别 (
    代码   TEXT(20) COLLATE NOCASE,
    名称   TEXT(40) COLLATE NOCASE
);

------------------------------------------------------------------------------
-- Charging
------------------------------------------------------------------------------

-- Charge items of an estate; the item name is unique within the estate. An
-- item saved without an estate keeps 小区代码 as empty text (not null), so that
-- the uniqueness check "小区代码=''" finds it.
CREATE TABLE 收费项目 (
    小区代码   TEXT(10) COLLATE NOCASE DEFAULT '',
    小区名称   TEXT(40) COLLATE NOCASE DEFAULT '',
    收费名称   TEXT(40) COLLATE NOCASE NOT NULL,
    单价       MONEY,                        -- unit price, or the ratio of "比例*金额"
    计算公式   TEXT(20) COLLATE NOCASE NOT NULL,
    收费面积   TEXT(20) COLLATE NOCASE,          -- name of the house area charged on
    收费范围   TEXT(20) COLLATE NOCASE,
    停止收费   TEXT(10) COLLATE NOCASE,          -- "是" or "否"
    收费周期   TEXT(10) COLLATE NOCASE,
    收费说明   TEXT(60) COLLATE NOCASE,
    收费类别   TEXT(20) COLLATE NOCASE,
    金额       MONEY,                        -- fixed amount of "业主收费金额相同" items
    操作人员   TEXT(20) COLLATE NOCASE,
    操作日期   DATETIME
);
CREATE UNIQUE INDEX 收费项目_小区代码_收费名称
    ON 收费项目 (ifnull(小区代码, '') COLLATE NOCASE, 收费名称);
CREATE TRIGGER 收费项目_空小区代码 AFTER INSERT ON 收费项目
    WHEN new.小区代码 IS NULL OR new.小区名称 IS NULL
BEGIN
    UPDATE 收费项目 SET 小区代码 = ifnull(小区代码, ''), 小区名称 = ifnull(小区名称, '')
     WHERE rowid = new.rowid;
END;

-- Charge standards of each house: the items assigned to it with the basis of
-- the formula (预付金额) and the monthly amount 金额 = 单价 × 预付金额.
CREATE TABLE 房屋收费项目 (
    小区代码   TEXT(10) COLLATE NOCASE,
    小区名称   TEXT(40) COLLATE NOCASE,
    楼宇代码   TEXT(16) COLLATE NOCASE,
    楼宇名称   TEXT(40) COLLATE NOCASE,
    楼宇单元   TEXT(10) COLLATE NOCASE,
    房屋代码   TEXT(20) COLLATE NOCASE NOT NULL,
    业主名称   TEXT(40) COLLATE NOCASE,
    房屋面积   FLOAT,
    使用面积   FLOAT,
    其它面积一 FLOAT,
    收费名称   TEXT(40) COLLATE NOCASE NOT NULL,
    单价       MONEY,
    计算公式   TEXT(20) COLLATE NOCASE,
    收费面积   TEXT(20) COLLATE NOCASE,
    收费范围   TEXT(20) COLLATE NOCASE,
    收费说明   TEXT(60) COLLATE NOCASE,
    收费周期   TEXT(10) COLLATE NOCASE,
    收费类别   TEXT(20) COLLATE NOCASE,
    预付金额   MONEY,
    金额       MONEY,
    备注       TEXT(60) COLLATE NOCASE,
    操作人员   TEXT(20) COLLATE NOCASE,
    操作日期   DATETIME
);
CREATE UNIQUE INDEX 房屋收费项目_小区代码_房屋代码_收费名称
    ON 房屋收费项目 (ifnull(小区代码, '') COLLATE NOCASE, 房屋代码, 收费名称);
CREATE INDEX 房屋收费项目_房屋代码 ON 房屋收费项目 (房屋代码, 收费名称);

-- Bill rows: one per charge item, house and billing month (年度, 月份 as
-- unpadded decimal text; 开始日期/结束日期 the month's first and last day).
-- 缴费状态 is "未缴费" until paid, then the payment method. The writers look for
-- a row before appending one; the unique key makes sure no second row of an item,
-- house, month and estate lands even when two seats generate at the same time.
-- 缴费编号 is the rowid of the 收费汇总表 row whose payment took the bill (null while
-- unpaid): a reversal releases exactly those rows, whatever else the house paid that day.
CREATE TABLE 收费明细表 (
    收费名称   TEXT(40) COLLATE NOCASE,
    单价       MONEY,
    收费金额   MONEY,
    计算公式   TEXT(20) COLLATE NOCASE,
    收费面积   TEXT(20) COLLATE NOCASE,
    本月表数   FLOAT,
    上月表数   FLOAT,
    面积或数量 FLOAT,
    开始日期   DATETIME,
    结束日期   DATETIME,
    年度       TEXT(6) COLLATE NOCASE,
    月份       TEXT(4) COLLATE NOCASE,
    关联单位   TEXT(40) COLLATE NOCASE,
    小区代码   TEXT(10) COLLATE NOCASE,
    小区名称   TEXT(40) COLLATE NOCASE,
    楼宇代码   TEXT(16) COLLATE NOCASE,
    楼宇名称   TEXT(40) COLLATE NOCASE,
    楼宇单元   TEXT(10) COLLATE NOCASE,
    房屋代码   TEXT(20) COLLATE NOCASE,
    业主名称   TEXT(40) COLLATE NOCASE,
    缴费状态   TEXT(20) COLLATE NOCASE,
    缴费时间   DATETIME,
    缴费人     TEXT(20) COLLATE NOCASE,
    收款人     TEXT(20) COLLATE NOCASE,
    单据号码   TEXT(16) COLLATE NOCASE,
    备注       LONGTEXT COLLATE NOCASE,
    操作人员   TEXT(20) COLLATE NOCASE,
    操作日期   DATETIME,
    缴费编号   INTEGER
);
CREATE UNIQUE INDEX 收费明细表_房屋_月份 ON 收费明细表 (房屋代码, 年度, 月份, 收费名称, ifnull(小区代码, '') COLLATE NOCASE);
CREATE INDEX 收费明细表_开始日期 ON 收费明细表 (开始日期);
CREATE INDEX 收费明细表_缴费编号 ON 收费明细表 (缴费编号);
-- The statistics take a period's rows by 年度 and 月份 in one grouped pass, most often
-- only the unpaid ones: this index gives them the months in order and the unpaid rows
-- without reading the rest.
CREATE INDEX 收费明细表_年度_月份 ON 收费明细表 (年度, 月份, 缴费状态);

-- Payment journal, one row per payment: amount due, amounts received by
-- means, the carried balance before (上次零头) and after (零头), and the paid
-- months in 收费年月 ("2005年3月;2005年2月;" or "按单缴费").
CREATE TABLE 收费汇总表 (
    收费项目   TEXT(60) COLLATE NOCASE,
    收费年月   LONGTEXT COLLATE NOCASE,
    年度       TEXT(6) COLLATE NOCASE,
    月份       TEXT(4) COLLATE NOCASE,
    收费金额   MONEY,
    现金       MONEY,
    支票       MONEY,
    其它金额   MONEY,
    实收金额   MONEY,
    上次零头   MONEY,
    零头       MONEY,
    单价       MONEY,
    上期表数   FLOAT,
    本期表数   FLOAT,
    行度面积   FLOAT,
    缴费时间   DATETIME,
    缴费方式   TEXT(20) COLLATE NOCASE,
    缴费人     TEXT(20) COLLATE NOCASE,
    收款人     TEXT(20) COLLATE NOCASE,
    单据号码   TEXT(16) COLLATE NOCASE,
    打印       BOOLEAN NOT NULL DEFAULT 0,
    收据号码   TEXT(16) COLLATE NOCASE,
    备注       LONGTEXT COLLATE NOCASE,
    小区代码   TEXT(10) COLLATE NOCASE,
    小区名称   TEXT(40) COLLATE NOCASE,
    楼宇代码   TEXT(16) COLLATE NOCASE,
    楼宇名称   TEXT(40) COLLATE NOCASE,
    楼宇单元   TEXT(10) COLLATE NOCASE,
    房屋代码   TEXT(20) COLLATE NOCASE,
    业主名称   TEXT(40) COLLATE NOCASE,
    关联单位   TEXT(40) COLLATE NOCASE,
    操作人员   TEXT(20) COLLATE NOCASE,
    操作日期   DATETIME
);
CREATE INDEX 收费汇总表_房屋代码 ON 收费汇总表 (房屋代码, 缴费时间);
CREATE INDEX 收费汇总表_缴费时间 ON 收费汇总表 (缴费时间);

-- Receipt counter: one row per year; 收据号码 is the last number drawn, the
-- year followed by a five-digit serial.
CREATE TABLE 收据号码 (
    年度       TEXT(6) COLLATE NOCASE NOT NULL,
    收据号码   TEXT(16) COLLATE NOCASE
);
CREATE UNIQUE INDEX 收据号码_年度 ON 收据号码 (年度);

-- Deposit ledger, one row per movement ("收取", "退还", "冲抵费用"); the amount
-- is entered positive and its sign comes from 操作类型. No key.
CREATE TABLE 押金明细表 (
    日期         DATETIME NOT NULL,
    小区代码     TEXT(10) COLLATE NOCASE,
    小区名称     TEXT(40) COLLATE NOCASE,
    楼宇代码     TEXT(16) COLLATE NOCASE,
    楼宇名称     TEXT(40) COLLATE NOCASE,
    楼宇单元     TEXT(10) COLLATE NOCASE,
    房屋代码     TEXT(20) COLLATE NOCASE NOT NULL,
    业主名称     TEXT(40) COLLATE NOCASE,
    操作类型     TEXT(10) COLLATE NOCASE,
    金额         MONEY,
    缴费方式     TEXT(20) COLLATE NOCASE,
    单据号码     TEXT(16) COLLATE NOCASE,
    押金类别代码 TEXT(16) COLLATE NOCASE,
    押金类别     TEXT(20) COLLATE NOCASE,
    备注         TEXT(60) COLLATE NOCASE,
    操作人员     TEXT(20) COLLATE NOCASE,
    操作日期     DATETIME
);
CREATE INDEX 押金明细表_房屋代码 ON 押金明细表 (房屋代码, 日期);

-- Building electricity meter, one row per building and billing month (the
-- month of 收费日期), with the common consumption apportioned to the owners.
-- Readings and counts are whole numbers.
CREATE TABLE 楼宇电表分摊 (
    小区代码     TEXT(10) COLLATE NOCASE,
    小区名称     TEXT(40) COLLATE NOCASE,
    楼宇代码     TEXT(16) COLLATE NOCASE,
    楼宇名称     TEXT(40) COLLATE NOCASE,
    收费日期     DATETIME NOT NULL,
    上月止码     INTEGER,
    本月止码     INTEGER NOT NULL,
    本月表数     INTEGER,
    业主本月表数 INTEGER,
    分摊数量     INTEGER,
    楼宇业主数   INTEGER,
    业主分摊数量 INTEGER,
    收费名称     TEXT(40) COLLATE NOCASE NOT NULL,
    是否分摊     BOOLEAN NOT NULL DEFAULT 0,
    备注         TEXT(60) COLLATE NOCASE,
    操作人员     TEXT(20) COLLATE NOCASE,
    操作日期     DATETIME
);
CREATE INDEX 楼宇电表分摊_楼宇 ON 楼宇电表分摊 (小区代码, 楼宇代码);

-- Building water meter; the same fields as the electricity meter.
CREATE TABLE 楼宇水表分摊 (
    小区代码     TEXT(10) COLLATE NOCASE,
    小区名称     TEXT(40) COLLATE NOCASE,
    楼宇代码     TEXT(16) COLLATE NOCASE,
    楼宇名称     TEXT(40) COLLATE NOCASE,
    收费日期     DATETIME NOT NULL,
    上月止码     INTEGER,
    本月止码     INTEGER NOT NULL,
    本月表数     INTEGER,
    业主本月表数 INTEGER,
    分摊数量     INTEGER,
    楼宇业主数   INTEGER,
    业主分摊数量 INTEGER,
    收费名称     TEXT(40) COLLATE NOCASE NOT NULL,
    是否分摊     BOOLEAN NOT NULL DEFAULT 0,
    备注         TEXT(60) COLLATE NOCASE,
    操作人员     TEXT(20) COLLATE NOCASE,
    操作日期     DATETIME
);
CREATE INDEX 楼宇水表分摊_楼宇 ON 楼宇水表分摊 (小区代码, 楼宇代码);

------------------------------------------------------------------------------
-- Services: complaints, work log, cleaning, equipment
------------------------------------------------------------------------------

-- Owners' complaints, one row each; 投诉单号 (16 characters) is the key.
-- 处理结果 is "未完成" until handled, then "完成".
CREATE TABLE 业主投诉表 (
    投诉单号   TEXT(16) COLLATE NOCASE NOT NULL,
    投诉日期   DATETIME,
    小区代码   TEXT(10) COLLATE NOCASE,
    小区名称   TEXT(40) COLLATE NOCASE,
    楼宇代码   TEXT(16) COLLATE NOCASE,
    楼宇名称   TEXT(40) COLLATE NOCASE,
    楼宇单元   TEXT(10) COLLATE NOCASE,
    房屋代码   TEXT(20) COLLATE NOCASE,
    业主名称   TEXT(40) COLLATE NOCASE,
    联系电话   TEXT(20) COLLATE NOCASE,
    投诉形式   TEXT(20) COLLATE NOCASE,
    投诉内容   LONGTEXT COLLATE NOCASE,
    记录人     TEXT(20) COLLATE NOCASE,
    处理形式   TEXT(20) COLLATE NOCASE,
    处理结果   TEXT(10) COLLATE NOCASE,
    处理日期   DATETIME,
    处理人     TEXT(20) COLLATE NOCASE,
    回访情况   LONGTEXT COLLATE NOCASE,
    备注       LONGTEXT COLLATE NOCASE,
    操作人员   TEXT(20) COLLATE NOCASE,
    操作日期   DATETIME
);
CREATE UNIQUE INDEX 业主投诉表_投诉单号 ON 业主投诉表 (投诉单号);
CREATE INDEX 业主投诉表_房屋代码 ON 业主投诉表 (房屋代码);
CREATE INDEX 业主投诉表_投诉日期 ON 业主投诉表 (投诉日期);

-- Staff work log: one entry per operator, day and estate, with the
-- reviewer's opinion.
CREATE TABLE 员工工作日志 (
    代码           TEXT(20) COLLATE NOCASE,
    姓名           TEXT(20) COLLATE NOCASE,
    小区代码       TEXT(10) COLLATE NOCASE,
    小区名称       TEXT(40) COLLATE NOCASE,
    日期           DATETIME,
    当日工作       LONGTEXT COLLATE NOCASE NOT NULL,
    当日重要事项   LONGTEXT COLLATE NOCASE,
    当日未完成工作 LONGTEXT COLLATE NOCASE,
    明日工作计划   LONGTEXT COLLATE NOCASE,
    阅审意见       LONGTEXT COLLATE NOCASE,
    阅审完毕       BOOLEAN NOT NULL DEFAULT 0,
    阅审人         TEXT(20) COLLATE NOCASE,
    阅审日期       DATETIME,
    周数           INTEGER,
    备注           TEXT(60) COLLATE NOCASE,
    操作员         TEXT(20) COLLATE NOCASE,
    操作日期       DATETIME
);
CREATE INDEX 员工工作日志_日期 ON 员工工作日志 (日期, 小区代码);

-- Cleaning items; code and name are each unique. The dates are those of the
-- last and the next cleaning, written when a log entry is added.
CREATE TABLE 保洁项目 (
    保洁代码     TEXT(16) COLLATE NOCASE NOT NULL,
    保洁名称     TEXT(40) COLLATE NOCASE NOT NULL,
    责任人       TEXT(20) COLLATE NOCASE,
    保洁位置     TEXT(60) COLLATE NOCASE,
    本次保洁日期 DATETIME,
    下次保洁日期 DATETIME,
    小区代码     TEXT(10) COLLATE NOCASE,
    小区名称     TEXT(40) COLLATE NOCASE,
    操作员       TEXT(20) COLLATE NOCASE,
    操作日期     DATETIME
);
CREATE UNIQUE INDEX 保洁项目_保洁代码 ON 保洁项目 (保洁代码);
CREATE UNIQUE INDEX 保洁项目_保洁名称 ON 保洁项目 (保洁名称);

-- Cleaning log, one row per cleaning done, linked to its item by 保洁代码.
CREATE TABLE 保洁明细表 (
    保洁代码     TEXT(16) COLLATE NOCASE,
    保洁名称     TEXT(40) COLLATE NOCASE,
    小区代码     TEXT(10) COLLATE NOCASE,
    小区名称     TEXT(40) COLLATE NOCASE,
    本次保洁日期 DATETIME NOT NULL,
    下次保洁日期 DATETIME NOT NULL,
    保洁人员     TEXT(20) COLLATE NOCASE NOT NULL,
    保洁情况     TEXT(60) COLLATE NOCASE,
    备注         LONGTEXT COLLATE NOCASE,
    操作员       TEXT(20) COLLATE NOCASE,
    操作日期     DATETIME
);
CREATE INDEX 保洁明细表_保洁代码 ON 保洁明细表 (保洁代码);

-- Equipment register; code and name are each unique.
CREATE TABLE 设备表 (
    设备代码     TEXT(16) COLLATE NOCASE NOT NULL,
    设备名称     TEXT(40) COLLATE NOCASE NOT NULL,
    生产厂家     TEXT(40) COLLATE NOCASE,
    责任人       TEXT(20) COLLATE NOCASE,
    所在位置     TEXT(60) COLLATE NOCASE,
    本次维护日期 DATETIME,
    下次维护日期 DATETIME,
    报废         BOOLEAN NOT NULL DEFAULT 0,
    备注         TEXT(60) COLLATE NOCASE,
    小区代码     TEXT(10) COLLATE NOCASE,
    小区名称     TEXT(40) COLLATE NOCASE,
    操作员       TEXT(20) COLLATE NOCASE,
    操作日期     DATETIME
);
CREATE UNIQUE INDEX 设备表_设备代码 ON 设备表 (设备代码);
CREATE UNIQUE INDEX 设备表_设备名称 ON 设备表 (设备名称);

-- Equipment maintenance log, one row per maintenance done, linked by 设备代码.
CREATE TABLE 设备维护明细表 (
    设备代码     TEXT(16) COLLATE NOCASE,
    设备名称     TEXT(40) COLLATE NOCASE,
    小区代码     TEXT(10) COLLATE NOCASE,
    小区名称     TEXT(40) COLLATE NOCASE,
    本次维护日期 DATETIME NOT NULL,
    下次维护日期 DATETIME NOT NULL,
    维护人员     TEXT(20) COLLATE NOCASE NOT NULL,
    维护内容     TEXT(60) COLLATE NOCASE,
    备注         LONGTEXT COLLATE NOCASE,
    操作员       TEXT(20) COLLATE NOCASE,
    操作日期     DATETIME
);
CREATE INDEX 设备维护明细表_设备代码 ON 设备维护明细表 (设备代码);

------------------------------------------------------------------------------
-- First rows of a new database
------------------------------------------------------------------------------

-- The estate the office starts with; its code has the four characters an
-- estate code needs.
INSERT INTO 小区资料 (小区代码, 小区名称) VALUES ('0001', '默认小区');

-- The first operator: every right, an empty password so that the first
-- log-in works. The administrator sets a password at once.
INSERT INTO 权限表 (
    代码, 姓名, 操作口令,
    操作员设置, 数据初始化, 楼宇资料设置, 业主资料设置, 收费项目设置,
    房屋收费项目设置, 到期报警, 到期报警设置, 楼宇电表分摊管理, 楼宇水表分摊管理,
    业主投诉, 业主投诉统计, 物资库存管理, 业主应缴费用管理, 业主缴费管理,
    业主资料明细表, 前台管理模式, 实收费用明细表, 业主缴费明细查询, 业主押金管理,
    业主押金明细表, 业主押金汇总表, 业主缴费全况表, 业主已缴费项目明细表, 业主未缴费项目明细表,
    业主欠费总表, 按月份统计缴费总金额, 按收费项目统计缴费总金额, 编辑工作日志, 阅审工作日志,
    编辑公司文件, 阅读公司文件, 保洁项目设置, 保洁明细表, 设备资料设置,
    设备维护明细表, 打印权, 删除权, 编辑权, 导出权,
    查找权)
VALUES (
    '001', '系统管理员', '',
    1, 1, 1, 1, 1,
    1, 1, 1, 1, 1,
    1, 1, 1, 1, 1,
    1, 1, 1, 1, 1,
    1, 1, 1, 1, 1,
    1, 1, 1, 1, 1,
    1, 1, 1, 1, 1,
    1, 1, 1, 1, 1,
    1);

-- The company information row: window caption, scrolling text, and an empty
-- company-server setting until the administrator fills it in.
INSERT INTO 公司信息 (公司名称, 系统标题, 动态文字, 服务器名, 数据库名, 登陆名, 登陆口令)
VALUES ('物业管理公司', '物业管理系统', '欢迎使用物业管理系统', '', '', '', '');

