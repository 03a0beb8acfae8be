-- Chart database (data/data.db).
--
-- Created by the program when the file is missing. The bar chart window copies
-- the lines of a statistics list into it and draws one bar series per amount.
-- Declared type words as in the main database. The script holds no
-- transaction statements; the caller runs it inside one transaction.

-- One row per bar group, in the order the bars are drawn: the label (year and
-- month, such as 2004年6月) and the three amounts of the line.
CREATE TABLE 图形显示 (
    texta    TEXT COLLATE NOCASE,
    moneya   MONEY,
    moneyb   MONEY,
    moneyc   MONEY
);
