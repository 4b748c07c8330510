/* Main database of the laboratory register: dialect 3, Windows-1251 text.
   Run by labjournal-db on a freshly created database; isql-fb runs it too:
   isql-fb -q -i schema.sql after CREATE DATABASE ... DEFAULT CHARACTER SET WIN1251. */

SET SQL DIALECT 3;

CREATE TABLE SP_TARVIK (
    N_LISSL INTEGER NOT NULL,
    NAME    VARCHAR(55),
    NPP     SMALLINT,
    COD     VARCHAR(10),
    SHABLON VARCHAR(255),
    CONSTRAINT PK_SP_TARVIK PRIMARY KEY (N_LISSL)
);

CREATE TABLE SP_PRIZ_LAB_ISSL (
    N_PRLAB       INTEGER NOT NULL,
    NAME          VARCHAR(40),
    ED_IZM        VARCHAR(20),
    NORMA         VARCHAR(20),
    COD           VARCHAR(10),
    NORMA_TIME    NUMERIC(9,2),
    NORMA_TIME_MS NUMERIC(9,2),
    CONSTRAINT PK_SP_PRIZ_LAB_ISSL PRIMARY KEY (N_PRLAB)
);

CREATE TABLE LAB_ISSL_PRIZ (
    N_LIPR  INTEGER NOT NULL,
    N_LISSL INTEGER,
    N_PRLAB INTEGER,
    NPP     SMALLINT,
    CONSTRAINT PK_LAB_ISSL_PRIZ PRIMARY KEY (N_LIPR)
);

CREATE TABLE SP_LPU (
    COD_LPU INTEGER NOT NULL,
    NAME    VARCHAR(55),
    PATH    VARCHAR(255),
    CONSTRAINT PK_SP_LPU PRIMARY KEY (COD_LPU)
);

CREATE TABLE SP_OTD (
    COD_OTD INTEGER NOT NULL,
    COD_LPU INTEGER,
    NAME    VARCHAR(55),
    PRIMEC  VARCHAR(255),
    COD     VARCHAR(10),
    PROFIL  VARCHAR(55),
    CONSTRAINT PK_SP_OTD PRIMARY KEY (COD_OTD)
);

CREATE TABLE SP_VR (
    COD_VR INTEGER NOT NULL,
    FIO    VARCHAR(55),
    CONSTRAINT PK_SP_VR PRIMARY KEY (COD_VR)
);

CREATE TABLE SP_MS (
    COD_MS INTEGER NOT NULL,
    FIO    VARCHAR(55),
    CONSTRAINT PK_SP_MS PRIMARY KEY (COD_MS)
);

CREATE TABLE SP_IST_FIN (
    N_IFIN INTEGER NOT NULL,
    NAME   VARCHAR(40),
    PR_UM  CHAR(1),
    CONSTRAINT PK_SP_IST_FIN PRIMARY KEY (N_IFIN)
);

CREATE TABLE SP_KONTINGENT (
    N_KON INTEGER NOT NULL,
    COD   VARCHAR(10),
    NAME  VARCHAR(255),
    CONSTRAINT PK_SP_KONTINGENT PRIMARY KEY (N_KON)
);

CREATE TABLE SP_GOS (
    COD_GOS INTEGER NOT NULL,
    NAME    VARCHAR(55),
    NOM     INTEGER,
    CONSTRAINT PK_SP_GOS PRIMARY KEY (COD_GOS)
);

CREATE TABLE SP_TER (
    COD_TER INTEGER NOT NULL,
    NAME    VARCHAR(30),
    NOM     INTEGER,
    CONSTRAINT PK_SP_TER PRIMARY KEY (COD_TER)
);

CREATE TABLE SP_RAION (
    COD_RAION INTEGER NOT NULL,
    NAME      VARCHAR(30),
    NOM       INTEGER,
    CONSTRAINT PK_SP_RAION PRIMARY KEY (COD_RAION)
);

CREATE TABLE RECV_ST (
    COD       INTEGER NOT NULL,
    NAME      VARCHAR(40),
    NAME_FULL VARCHAR(255),
    ADRES     VARCHAR(40),
    GLAV_VR   VARCHAR(40),
    KOD_OGRN  VARCHAR(14),
    CONSTRAINT PK_RECV_ST PRIMARY KEY (COD)
);

CREATE TABLE ISSLED (
    N_ISSLED   INTEGER NOT NULL,
    N_LISSL    INTEGER,
    COD_LPU    INTEGER,
    COD_OTD    INTEGER,
    N_IFIN     INTEGER,
    COD_VR     INTEGER,
    COD_MS     INTEGER,
    N_KON      INTEGER,
    NPP        INTEGER,
    NOM        INTEGER,
    FAM        VARCHAR(30),
    IMJA       VARCHAR(30),
    OTCH       VARCHAR(30),
    SNILS      VARCHAR(14),
    DAT_R      DATE,
    VOZR       INTEGER,
    NOM_KART   VARCHAR(20),
    NOM_POL    VARCHAR(20),
    DIAG_COD   VARCHAR(20),
    DAT_ISSLED DATE,
    DAT_DOSTAV DATE,
    DAT_REZULT DATE,
    ADRES      VARCHAR(255),
    POL        CHAR(1),
    COD_GOS    INTEGER,
    COD_TER    INTEGER,
    COD_RAION  INTEGER,
    NAS_PUNKT  VARCHAR(40),
    PR_LIVE    CHAR(1),
    CONSTRAINT PK_ISSLED PRIMARY KEY (N_ISSLED)
);

/* Results follow their investigation: deleting an ISSLED row deletes its results. */
CREATE TABLE LAB_ISSL_BOL (
    N_ISBOL  INTEGER NOT NULL,
    N_PRLAB  INTEGER,
    N_LISSL  INTEGER,
    N_ISSLED INTEGER,
    RESULT   VARCHAR(20),
    CONSTRAINT PK_LAB_ISSL_BOL PRIMARY KEY (N_ISBOL),
    CONSTRAINT FK_LAB_ISSL_BOL_ISSLED FOREIGN KEY (N_ISSLED)
        REFERENCES ISSLED (N_ISSLED) ON DELETE CASCADE
);

/* The indexes of the investigations and their results leave the optimizer one plan for each
   statement the windows run, whether or not the statistics were ever recomputed: a register
   keeps the figures of the day each index was built (zero, on empty tables), and a choice
   between indexes that only fresh figures can settle goes wrong on it.

   The journal selects by type, institution and sampling date, all three as ranges, so only the
   leading column of an index serves it. With stale figures Firebird combines two such indexes,
   with fresh ones all it has: exactly two lead with those columns, the date and the type. */
CREATE INDEX IX_ISSLED_DAT ON ISSLED (DAT_ISSLED);
CREATE INDEX IX_ISSLED_LISSL ON ISSLED (N_LISSL);
/* Whether an institution has investigations is asked only when it is deleted. An expression
   the journal's selection never matches answers it, so the journal keeps its two indexes. */
CREATE INDEX IX_ISSLED_LPU_IN_USE ON ISSLED COMPUTED BY (COD_LPU + 0);
/* The search: the surname matched without regard to case, the unique and the card number. */
CREATE INDEX IX_ISSLED_FAM_UPPER ON ISSLED COMPUTED BY (UPPER(FAM));
CREATE INDEX IX_ISSLED_NOM ON ISSLED (NOM);
CREATE INDEX IX_ISSLED_NOM_KART ON ISSLED (NOM_KART);
/* The refusals of deleting a directory row look the row up by these. */
CREATE INDEX IX_ISSLED_OTD ON ISSLED (COD_OTD);
CREATE INDEX IX_ISSLED_VR ON ISSLED (COD_VR);
CREATE INDEX IX_ISSLED_MS ON ISSLED (COD_MS);
CREATE INDEX IX_ISSLED_FIN ON ISSLED (N_IFIN);

/* A type's composition in its order; an indicator's place in a type, which the card's join
   reaches with both columns known. */
CREATE INDEX IX_LAB_ISSL_PRIZ_TYPE ON LAB_ISSL_PRIZ (N_LISSL, NPP);
CREATE INDEX IX_LAB_ISSL_PRIZ_PRLAB ON LAB_ISSL_PRIZ (N_PRLAB, N_LISSL);

/* The results of one record are read through the foreign key's index on N_ISSLED. The
   results of an indicator or of a type are looked up only when that directory row is deleted;
   these indexes end with N_ISSLED so that the card's join, reaching one of them from the
   indicators, finds one record's results there and never combines a whole indicator's
   results with the foreign key's index. */
CREATE INDEX IX_LAB_ISSL_BOL_PRLAB ON LAB_ISSL_BOL (N_PRLAB, N_ISSLED);
CREATE INDEX IX_LAB_ISSL_BOL_LISSL ON LAB_ISSL_BOL (N_LISSL, N_ISSLED);

CREATE GENERATOR GEN_ISSLED_ID;
CREATE GENERATOR GEN_SP_TARVIK_ID;
CREATE GENERATOR GEN_SP_PRIZ_LAB_ISSL_ID;
CREATE GENERATOR GEN_LAB_ISSL_PRIZ_ID;
CREATE GENERATOR GEN_SP_LPU_ID;
CREATE GENERATOR GEN_SP_OTD_ID;
CREATE GENERATOR GEN_SP_VR_ID;
CREATE GENERATOR GEN_SP_MS_ID;
CREATE GENERATOR GEN_SP_IST_FIN_ID;
CREATE GENERATOR GEN_LAB_ISSL_BOL_ID;

/* Directory rows that investigations or compositions use cannot be deleted: every
   workstation and tool gets the same refusal from the database itself. */
CREATE EXCEPTION E_DIRECTORY_ROW_IN_USE 'Запись справочника используется и не может быть удалена.';

SET TERM ^ ;

CREATE TRIGGER SP_TARVIK_BD FOR SP_TARVIK
ACTIVE BEFORE DELETE POSITION 0
AS
BEGIN
    IF (EXISTS (SELECT 1 FROM ISSLED WHERE N_LISSL = OLD.N_LISSL)
        OR EXISTS (SELECT 1 FROM LAB_ISSL_BOL WHERE N_LISSL = OLD.N_LISSL)) THEN
        EXCEPTION E_DIRECTORY_ROW_IN_USE 'Вид исследования «' || COALESCE(OLD.NAME, '') || '» нельзя удалить: по нему есть исследования.';
    IF (EXISTS (SELECT 1 FROM LAB_ISSL_PRIZ WHERE N_LISSL = OLD.N_LISSL)) THEN
        EXCEPTION E_DIRECTORY_ROW_IN_USE 'Вид исследования «' || COALESCE(OLD.NAME, '') || '» нельзя удалить: в его составе есть показатели.';
END^

CREATE TRIGGER SP_PRIZ_LAB_ISSL_BD FOR SP_PRIZ_LAB_ISSL
ACTIVE BEFORE DELETE POSITION 0
AS
BEGIN
    IF (EXISTS (SELECT 1 FROM LAB_ISSL_PRIZ WHERE N_PRLAB = OLD.N_PRLAB)) THEN
        EXCEPTION E_DIRECTORY_ROW_IN_USE 'Показатель «' || COALESCE(OLD.NAME, '') || '» нельзя удалить: он входит в состав исследований.';
    IF (EXISTS (SELECT 1 FROM LAB_ISSL_BOL WHERE N_PRLAB = OLD.N_PRLAB)) THEN
        EXCEPTION E_DIRECTORY_ROW_IN_USE 'Показатель «' || COALESCE(OLD.NAME, '') || '» нельзя удалить: по нему есть результаты.';
END^

CREATE TRIGGER SP_LPU_BD FOR SP_LPU
ACTIVE BEFORE DELETE POSITION 0
AS
BEGIN
    IF (EXISTS (SELECT 1 FROM ISSLED WHERE COD_LPU + 0 = OLD.COD_LPU)) THEN
        EXCEPTION E_DIRECTORY_ROW_IN_USE 'Учреждение «' || COALESCE(OLD.NAME, '') || '» нельзя удалить: по нему есть исследования.';
END^

CREATE TRIGGER SP_OTD_BD FOR SP_OTD
ACTIVE BEFORE DELETE POSITION 0
AS
BEGIN
    IF (EXISTS (SELECT 1 FROM ISSLED WHERE COD_OTD = OLD.COD_OTD)) THEN
        EXCEPTION E_DIRECTORY_ROW_IN_USE 'Отделение «' || COALESCE(OLD.NAME, '') || '» нельзя удалить: по нему есть исследования.';
END^

CREATE TRIGGER SP_VR_BD FOR SP_VR
ACTIVE BEFORE DELETE POSITION 0
AS
BEGIN
    IF (EXISTS (SELECT 1 FROM ISSLED WHERE COD_VR = OLD.COD_VR)) THEN
        EXCEPTION E_DIRECTORY_ROW_IN_USE 'Врача «' || COALESCE(OLD.FIO, '') || '» нельзя удалить: есть его исследования.';
END^

CREATE TRIGGER SP_MS_BD FOR SP_MS
ACTIVE BEFORE DELETE POSITION 0
AS
BEGIN
    IF (EXISTS (SELECT 1 FROM ISSLED WHERE COD_MS = OLD.COD_MS)) THEN
        EXCEPTION E_DIRECTORY_ROW_IN_USE 'Лаборанта «' || COALESCE(OLD.FIO, '') || '» нельзя удалить: есть его исследования.';
END^

CREATE TRIGGER SP_IST_FIN_BD FOR SP_IST_FIN
ACTIVE BEFORE DELETE POSITION 0
AS
BEGIN
    IF (EXISTS (SELECT 1 FROM ISSLED WHERE N_IFIN = OLD.N_IFIN)) THEN
        EXCEPTION E_DIRECTORY_ROW_IN_USE 'Источник финансирования «' || COALESCE(OLD.NAME, '') || '» нельзя удалить: по нему есть исследования.';
END^

CREATE TRIGGER LAB_ISSL_BOL_BI FOR LAB_ISSL_BOL
ACTIVE BEFORE INSERT POSITION 0
AS
BEGIN
    IF (NEW.N_ISBOL IS NULL) THEN
        NEW.N_ISBOL = GEN_ID(GEN_LAB_ISSL_BOL_ID, 1);
END^

SET TERM ; ^

COMMIT;
