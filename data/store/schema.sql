-- The organiser's database, DB1.mdb: three books, the two cheque totals and the books' change numbers.
-- The set-up runs this once, only when no DB1.mdb exists. This is layout 3: the program's
-- first opening brings the file to the current layout as it does any older file, adding the
-- search keys it computes itself (data/searchkeys.cpp), and never changes the books.
--
-- Text columns that are searched or sorted compare without regard to Latin case,
-- as the search language always has, and carry an index so that a prefix search
-- over a million rows reads only the matching part of the index.
-- Every row keeps SQLite's rowid as its identity; no window shows it.

PRAGMA journal_mode = WAL;
PRAGMA user_version = 3;

BEGIN;

CREATE TABLE Phone (
    "الإسم"             TEXT COLLATE NOCASE,
    "العنوان"           TEXT,
    "البريد الإلكتروني" TEXT,
    "فاكس"              TEXT,
    "المكتب"            TEXT COLLATE NOCASE,
    "الجوال"            TEXT COLLATE NOCASE,
    "المنزل"            TEXT COLLATE NOCASE,
    "ملاحظات"           TEXT
);
CREATE INDEX Phone_name   ON Phone ("الإسم");
CREATE INDEX Phone_office ON Phone ("المكتب");
CREATE INDEX Phone_mobile ON Phone ("الجوال");
CREATE INDEX Phone_home   ON Phone ("المنزل");

CREATE TABLE Note (
    "اليوم"   TEXT,
    "التاريخ" TEXT,
    "الشهر"   TEXT,
    "العام"   TEXT,
    "الساعة"  TEXT,
    "الموعد"  TEXT
);

-- Dinars and fils are whole numbers, kept apart; the database refuses anything else
-- (text, fractions) rather than storing it as text.
CREATE TABLE Cheque (
    "اليوم"  TEXT COLLATE NOCASE,
    "الشهر"  TEXT COLLATE NOCASE,
    "العام"  TEXT COLLATE NOCASE,
    "السيد"  TEXT COLLATE NOCASE,
    "دينار"  INTEGER CHECK ("دينار" IS NULL OR typeof("دينار") = 'integer'),
    "فلس"    INTEGER CHECK ("فلس" IS NULL OR typeof("فلس") = 'integer'),
    "المبلغ" TEXT,
    "السبب"  TEXT
);
CREATE INDEX Cheque_payee ON Cheque ("السيد");
CREATE INDEX Cheque_date  ON Cheque ("العام", "الشهر", "اليوم");

-- Running sums, kept by triggers in the same transaction as every change to Cheque,
-- so that the totals are read in constant time however many cheques there are.
-- Counts of non-empty amounts let an all-empty sum read as empty, as SUM() would.
CREATE TABLE ChequePayeeSums (
    payee      TEXT COLLATE NOCASE PRIMARY KEY,
    cheques    INTEGER NOT NULL DEFAULT 0,
    dinars     INTEGER NOT NULL DEFAULT 0,
    dinarCount INTEGER NOT NULL DEFAULT 0,
    fils       INTEGER NOT NULL DEFAULT 0,
    filsCount  INTEGER NOT NULL DEFAULT 0
) WITHOUT ROWID;

CREATE TABLE ChequeGrandSums (
    id         INTEGER PRIMARY KEY CHECK (id = 1),
    dinars     INTEGER NOT NULL DEFAULT 0,
    dinarCount INTEGER NOT NULL DEFAULT 0,
    fils       INTEGER NOT NULL DEFAULT 0,
    filsCount  INTEGER NOT NULL DEFAULT 0
);
INSERT INTO ChequeGrandSums (id) VALUES (1);

CREATE TRIGGER Cheque_sums_insert AFTER INSERT ON Cheque BEGIN
    INSERT OR IGNORE INTO ChequePayeeSums (payee) SELECT NEW."السيد" WHERE NEW."السيد" IS NOT NULL;
    UPDATE ChequePayeeSums SET
        cheques    = cheques + 1,
        dinars     = dinars + ifnull(NEW."دينار", 0),
        dinarCount = dinarCount + (NEW."دينار" IS NOT NULL),
        fils       = fils + ifnull(NEW."فلس", 0),
        filsCount  = filsCount + (NEW."فلس" IS NOT NULL)
    WHERE payee = NEW."السيد";
    UPDATE ChequeGrandSums SET
        dinars     = dinars + ifnull(NEW."دينار", 0),
        dinarCount = dinarCount + (NEW."دينار" IS NOT NULL),
        fils       = fils + ifnull(NEW."فلس", 0),
        filsCount  = filsCount + (NEW."فلس" IS NOT NULL);
END;

CREATE TRIGGER Cheque_sums_delete AFTER DELETE ON Cheque BEGIN
    UPDATE ChequePayeeSums SET
        cheques    = cheques - 1,
        dinars     = dinars - ifnull(OLD."دينار", 0),
        dinarCount = dinarCount - (OLD."دينار" IS NOT NULL),
        fils       = fils - ifnull(OLD."فلس", 0),
        filsCount  = filsCount - (OLD."فلس" IS NOT NULL)
    WHERE payee = OLD."السيد";
    DELETE FROM ChequePayeeSums WHERE payee = OLD."السيد" AND cheques = 0;
    UPDATE ChequeGrandSums SET
        dinars     = dinars - ifnull(OLD."دينار", 0),
        dinarCount = dinarCount - (OLD."دينار" IS NOT NULL),
        fils       = fils - ifnull(OLD."فلس", 0),
        filsCount  = filsCount - (OLD."فلس" IS NOT NULL);
END;

CREATE TRIGGER Cheque_sums_update AFTER UPDATE OF "السيد", "دينار", "فلس" ON Cheque BEGIN
    UPDATE ChequePayeeSums SET
        cheques    = cheques - 1,
        dinars     = dinars - ifnull(OLD."دينار", 0),
        dinarCount = dinarCount - (OLD."دينار" IS NOT NULL),
        fils       = fils - ifnull(OLD."فلس", 0),
        filsCount  = filsCount - (OLD."فلس" IS NOT NULL)
    WHERE payee = OLD."السيد";
    DELETE FROM ChequePayeeSums WHERE payee = OLD."السيد" AND cheques = 0;
    INSERT OR IGNORE INTO ChequePayeeSums (payee) SELECT NEW."السيد" WHERE NEW."السيد" IS NOT NULL;
    UPDATE ChequePayeeSums SET
        cheques    = cheques + 1,
        dinars     = dinars + ifnull(NEW."دينار", 0),
        dinarCount = dinarCount + (NEW."دينار" IS NOT NULL),
        fils       = fils + ifnull(NEW."فلس", 0),
        filsCount  = filsCount + (NEW."فلس" IS NOT NULL)
    WHERE payee = NEW."السيد";
    UPDATE ChequeGrandSums SET
        dinars     = dinars - ifnull(OLD."دينار", 0) + ifnull(NEW."دينار", 0),
        dinarCount = dinarCount - (OLD."دينار" IS NOT NULL) + (NEW."دينار" IS NOT NULL),
        fils       = fils - ifnull(OLD."فلس", 0) + ifnull(NEW."فلس", 0),
        filsCount  = filsCount - (OLD."فلس" IS NOT NULL) + (NEW."فلس" IS NOT NULL);
END;

-- Amounts of at most 12 digits, and running sums that stay whole numbers: SQLite turns an
-- integer sum that overflows into an inexact real, and the totals would be wrong for good.
CREATE TRIGGER IF NOT EXISTS Cheque_amount_insert BEFORE INSERT ON Cheque
WHEN abs(ifnull(NEW."دينار", 0)) > 999999999999 OR abs(ifnull(NEW."فلس", 0)) > 999999999999
  OR abs((SELECT dinars FROM ChequeGrandSums) + ifnull(NEW."دينار", 0)) > 9000000000000000000
  OR abs((SELECT fils FROM ChequeGrandSums) + ifnull(NEW."فلس", 0)) > 9000000000000000000
BEGIN
    SELECT RAISE(ABORT, 'amount out of range');
END;
CREATE TRIGGER IF NOT EXISTS Cheque_amount_update BEFORE UPDATE OF "دينار", "فلس" ON Cheque
WHEN abs(ifnull(NEW."دينار", 0)) > 999999999999 OR abs(ifnull(NEW."فلس", 0)) > 999999999999
  OR abs((SELECT dinars FROM ChequeGrandSums) - ifnull(OLD."دينار", 0) + ifnull(NEW."دينار", 0)) > 9000000000000000000
  OR abs((SELECT fils FROM ChequeGrandSums) - ifnull(OLD."فلس", 0) + ifnull(NEW."فلس", 0)) > 9000000000000000000
BEGIN
    SELECT RAISE(ABORT, 'amount out of range');
END;

-- Change numbers of the books, bumped by triggers in the same transaction as every change to
-- a book, whoever makes it (this program, another one, a trigger of the user's own), so that
-- a count the program keeps is known to hold exactly while the book's number stands.
CREATE TABLE BookChanges (
    book    TEXT COLLATE NOCASE PRIMARY KEY,
    changes INTEGER NOT NULL DEFAULT 0
) WITHOUT ROWID;
INSERT INTO BookChanges (book) VALUES ('Phone'), ('Note'), ('Cheque');
CREATE TRIGGER Phone_changes_insert AFTER INSERT ON Phone BEGIN
    UPDATE BookChanges SET changes = changes + 1 WHERE book = 'Phone';
END;
CREATE TRIGGER Phone_changes_update AFTER UPDATE ON Phone BEGIN
    UPDATE BookChanges SET changes = changes + 1 WHERE book = 'Phone';
END;
CREATE TRIGGER Phone_changes_delete AFTER DELETE ON Phone BEGIN
    UPDATE BookChanges SET changes = changes + 1 WHERE book = 'Phone';
END;
CREATE TRIGGER Note_changes_insert AFTER INSERT ON Note BEGIN
    UPDATE BookChanges SET changes = changes + 1 WHERE book = 'Note';
END;
CREATE TRIGGER Note_changes_update AFTER UPDATE ON Note BEGIN
    UPDATE BookChanges SET changes = changes + 1 WHERE book = 'Note';
END;
CREATE TRIGGER Note_changes_delete AFTER DELETE ON Note BEGIN
    UPDATE BookChanges SET changes = changes + 1 WHERE book = 'Note';
END;
CREATE TRIGGER Cheque_changes_insert AFTER INSERT ON Cheque BEGIN
    UPDATE BookChanges SET changes = changes + 1 WHERE book = 'Cheque';
END;
CREATE TRIGGER Cheque_changes_update AFTER UPDATE ON Cheque BEGIN
    UPDATE BookChanges SET changes = changes + 1 WHERE book = 'Cheque';
END;
CREATE TRIGGER Cheque_changes_delete AFTER DELETE ON Cheque BEGIN
    UPDATE BookChanges SET changes = changes + 1 WHERE book = 'Cheque';
END;

-- One row per payee with the plain sums of each column; fils are never carried.
CREATE VIEW TotalCheque AS
    SELECT payee AS "السيد",
           CASE WHEN dinarCount > 0 THEN dinars END AS "Sum من دينار",
           CASE WHEN filsCount > 0 THEN fils END AS "Sum من فلس"
    FROM ChequePayeeSums;

-- Exactly one row; both sums are empty while there is no cheque.
CREATE VIEW TotalTotal AS
    SELECT CASE WHEN dinarCount > 0 THEN dinars END AS "Sum من دينار",
           CASE WHEN filsCount > 0 THEN fils END AS "Sum من فلس"
    FROM ChequeGrandSums;

COMMIT;
