-- The organiser's database, DB1.mdb: three books and the cheque totals.
-- The set-up runs this once, only when no DB1.mdb exists. This is layout 1: the program's
-- first opening brings the file to the current layout as it does any older file, with the
-- steps of data/store/upgrade.cpp (each of Dalil's own tables and triggers is written there
-- once), and never changes the books.
--
-- Text columns that are searched or sorted compare without regard to Latin case,
-- as the search language always has, and carry an index so that a prefix search
-- over a million rows reads only the matching part of the index.
-- Every row keeps SQLite's rowid as its identity; no window shows it.

PRAGMA journal_mode = WAL;
PRAGMA user_version = 1;

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
