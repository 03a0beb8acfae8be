-- Company document database on the company's PostgreSQL server.
--
-- The program does not create these tables: an administrator runs this script
-- once on the database named in the company information (数据库名), as a user
-- allowed to create tables and functions there:
--
--     psql -v ON_ERROR_STOP=1 -d DB -f schema/company_pg.sql
--
-- (add -h HOST -p PORT -U USER as needed). Everything runs in one transaction:
-- when any statement fails, nothing of the script is kept.
--
-- Types: text for text, timestamp for dates and date-times, numeric(19,4) for
-- amounts (no table here holds one), boolean for yes/no, bytea for pictures.

BEGIN;

-- The program's SQL compares yes/no fields with the numbers 0 and 1, as in
-- "阅览完毕 = 0"; these two operators give such comparisons their meaning
-- (0 is false, any other number true).
CREATE FUNCTION 是否等于数值(a boolean, b integer) RETURNS boolean
    LANGUAGE sql IMMUTABLE STRICT
    AS 'SELECT a = (b <> 0)';
CREATE FUNCTION 是否不等于数值(a boolean, b integer) RETURNS boolean
    LANGUAGE sql IMMUTABLE STRICT
    AS 'SELECT a <> (b <> 0)';
CREATE OPERATOR = (LEFTARG = boolean, RIGHTARG = integer,
                   FUNCTION = 是否等于数值, NEGATOR = <>);
CREATE OPERATOR <> (LEFTARG = boolean, RIGHTARG = integer,
                    FUNCTION = 是否不等于数值, NEGATOR = =);

-- Dates in the program's SQL text are written as cdate('YYYY-MM-DD HH:MM:SS'), as on
-- the office's own databases; here cdate reads such a text as a timestamp.
CREATE FUNCTION cdate(t text) RETURNS timestamp
    LANGUAGE sql STABLE STRICT
    AS 'SELECT t::timestamp';

-- Company documents, one row per document; 发文号 (typed in upper case) is the
-- key. Up to four pictures go with the full text. 文件类别 and 类型名称 hold the
-- document type that the reading window shows and searches.
CREATE TABLE 公司文件 (
    发文号       text PRIMARY KEY,
    文件名称     text NOT NULL,
    发文日期     timestamp NOT NULL,
    发文部门     text,
    关键字       text,
    文件全文     text,
    文件图片一   bytea,
    文件图片二   bytea,
    文件图片三   bytea,
    文件图片四   bytea,
    报送         text,
    抄送         text,
    撰稿人       text,
    校验人       text,
    文件类别     text,
    类型名称     text,
    备注         text,
    操作员       text,
    操作日期     timestamp
);
CREATE INDEX 公司文件_发文日期 ON 公司文件 (发文日期);

-- Circulation of the documents: one row per document and recipient operator
-- (代码 and 姓名 of the main database's operators). 阅览完毕 is false until the
-- recipient marks the document read; 阅览人 and 阅览日期 record who and when.
-- A document's rows stay when the document is deleted.
CREATE TABLE 阅览公司文件明细表 (
    发文号       text NOT NULL,
    代码         text,
    姓名         text,
    阅览完毕     boolean NOT NULL DEFAULT false,
    阅览人       text,
    阅览日期     timestamp
);
CREATE INDEX 阅览公司文件明细表_发文号 ON 阅览公司文件明细表 (发文号);
CREATE INDEX 阅览公司文件明细表_代码 ON 阅览公司文件明细表 (代码, 阅览完毕);

COMMIT;
