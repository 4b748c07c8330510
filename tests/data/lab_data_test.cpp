#include <gtest/gtest.h>

#include "data/age.h"
#include "data/clock.h"
#include "data/lab_data.h"
#include "support/temp_database.h"

using testing_support::TempDatabase;

namespace {

const QDate kToday(2026, 12, 9);

class LabDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        data::clock::setToday(kToday);
        db_ = std::make_unique<TempDatabase>(QStringList{
            "insert into SP_LPU (COD_LPU, NAME) values (4, 'Поликлиника №1')",
            "insert into SP_LPU (COD_LPU, NAME) values (5, 'Больница')",
            "insert into SP_GOS (COD_GOS, NAME, NOM) values (1, 'Армения', 1)",
            "insert into SP_GOS (COD_GOS, NAME, NOM) values (2, 'Россия', 10)",
            "insert into SP_GOS (COD_GOS, NAME, NOM) values (3, 'Беларусь', 10)",
            "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (1, 'ИФА ВИЧ', 1)",
            "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (2, 'Биохимия', 2)",
            "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (20, 'Глюкоза')",
            "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (21, 'Белок')",
            "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (1, 2, 20, 7)",
            "set generator GEN_ISSLED_ID to 100", "set generator GEN_LAB_ISSL_PRIZ_ID to 50"});
        labData_ = std::make_unique<LabData>();
        labData_->mainConnection.setDatabaseName(db_->path());
        labData_->mainConnection.setParams(
            {"lc_ctype=WIN1251", "user_name=SYSDBA", "sql_role_name="});
        institutions_ = std::make_unique<data::Dataset>(labData_->writeTransaction, "institutions");
        institutions_->setSql("Select * from SP_LPU Order by Name");
        labData_->journalInstitutions = institutions_.get();
        labData_->session.investigationType = 1;
        labData_->session.directoryKind = DirectoryKind::None;
    }

    void TearDown() override {
        institutions_.reset();
        labData_.reset();
        data::clock::setToday({});
    }

    void openJournal(int type, int institution) {
        data::Dataset& j = labData_->journal;
        j.close();
        j.setParam("n_lissl1", type);
        j.setParam("n_lissl2", type);
        j.setParam("cod_lpu1", institution);
        j.setParam("cod_lpu2", institution);
        j.setParam("d1", kToday.addMonths(-1));
        j.setParam("d2", kToday);
        j.open();
    }

    std::unique_ptr<TempDatabase> db_;
    std::unique_ptr<LabData> labData_;
    std::unique_ptr<data::Dataset> institutions_;
};

TEST_F(LabDataTest, NewInvestigationGetsItsDefaults) {
    institutions_->open();
    institutions_->locate("COD_LPU", 4);
    openJournal(1, 4);
    labData_->journal.insert();
    data::Dataset& j = labData_->journal;
    EXPECT_EQ(j.value("N_ISSLED").toInt(), 101);
    EXPECT_EQ(j.value("N_LISSL").toInt(), 1);
    EXPECT_EQ(j.value("DAT_ISSLED").toDate(), kToday);
    EXPECT_EQ(j.value("DAT_DOSTAV").toDate(), kToday);
    EXPECT_EQ(j.value("COD_LPU").toInt(), 4);
    EXPECT_EQ(j.value("COD_GOS").toInt(), 3) << "highest NOM first, then by name";
    EXPECT_EQ(j.value("COD_TER").toInt(), 0) << "an empty territory list gives 0";
    EXPECT_FALSE(j.value("COD_TER").isNull());
    for (const char* untouched : {"FAM", "DAT_R", "VOZR", "NPP", "COD_OTD", "DAT_REZULT"})
        EXPECT_TRUE(j.value(untouched).isNull()) << untouched;
    EXPECT_FALSE(labData_->countries.isActive()) << "the country list is closed again";

    j.setValue("FAM", QStringLiteral("Иванов"));
    j.save();
    openJournal(1, 4);
    ASSERT_EQ(j.recordCount(), 1);
    EXPECT_EQ(j.value("FAM").toString(), QStringLiteral("Иванов"));
    EXPECT_EQ(j.value("LPU").toString(), QStringLiteral("Поликлиника №1"));
    EXPECT_EQ(j.value("ISSL").toString(), QStringLiteral("ИФА ВИЧ"));
    EXPECT_EQ(j.value("GOS").toString(), QStringLiteral("Беларусь"));
    EXPECT_TRUE(j.value("OTD").isNull());
}

TEST_F(LabDataTest, EmptyListsGiveZeroKeys) {
    db_->exec(QStringList{"delete from SP_GOS", "delete from SP_LPU"});
    institutions_->open();
    openJournal(1, 4);
    labData_->journal.insert();
    EXPECT_EQ(labData_->journal.value("COD_GOS"), QVariant(0));
    EXPECT_EQ(labData_->journal.value("COD_LPU"), QVariant(0));
}

TEST_F(LabDataTest, CancelledRecordLeavesAGapInKeys) {
    institutions_->open();
    openJournal(1, 4);
    labData_->journal.insert();
    labData_->journal.cancel();
    labData_->journal.insert();
    EXPECT_EQ(labData_->journal.value("N_ISSLED").toInt(), 102);
    labData_->journal.save();
    EXPECT_EQ(db_->scalar("select list(N_ISSLED) from ISSLED").toString(), "102");
}

TEST_F(LabDataTest, JournalFieldsCarryTheirLabels) {
    institutions_->open();
    openJournal(1, 4);
    const data::Dataset& j = labData_->journal;
    EXPECT_EQ(j.fields()[0].name, "FAM");
    EXPECT_EQ(j.field("FAM").displayLabel(), QStringLiteral("Фамилия пациента"));
    EXPECT_EQ(j.field("POL").displayWidth, 5);
    EXPECT_FALSE(j.field("N_ISSLED").visible);
    EXPECT_FALSE(j.field("VOZR").visible);
    EXPECT_EQ(j.field("VOZR").displayLabel(), QStringLiteral("Возраст"));
    EXPECT_TRUE(j.field("ISSL").visible);
}

TEST(Age, CompletedYears) {
    struct Case {
        QDate birth, today;
        int age;
    };
    const Case cases[] = {
        {{2000, 2, 29}, {2001, 2, 28}, 0},   {{2000, 2, 29}, {2001, 3, 1}, 1},
        {{1990, 12, 8}, {2026, 12, 9}, 36},  {{1990, 12, 9}, {2026, 12, 9}, 36},
        {{1990, 12, 10}, {2026, 12, 9}, 35}, {{2030, 12, 9}, {2026, 12, 9}, 4},
        {{2030, 12, 10}, {2026, 12, 9}, 4},  {{2026, 12, 9}, {2026, 12, 9}, 0},
        {{1990, 1, 31}, {2026, 2, 1}, 36},   {{1990, 3, 31}, {2026, 3, 30}, 35},
    };
    for (const Case& c : cases)
        EXPECT_EQ(data::ageInYears(c.birth, c.today), c.age)
            << c.birth.toString(Qt::ISODate).toStdString() << " on "
            << c.today.toString(Qt::ISODate).toStdString();
}

TEST_F(LabDataTest, BirthDateSetsAndClearsTheAge) {
    institutions_->open();
    openJournal(1, 4);
    data::Dataset& j = labData_->journal;
    j.insert();
    j.setValue("DAT_R", QDate(1990, 12, 10));
    EXPECT_EQ(j.value("VOZR").toInt(), 35);
    j.setValue("DAT_R", QStringLiteral("08.12.1990"));
    EXPECT_EQ(j.value("VOZR").toInt(), 36);
    j.setValue("DAT_R", QVariant());
    EXPECT_TRUE(j.value("VOZR").isNull());
    j.save();

    data::Dataset& card = labData_->card;
    card.setParam("n_issled", j.value("N_ISSLED"));
    card.open();
    card.edit();
    card.setValue("DAT_R", QDate(2000, 2, 29));
    EXPECT_EQ(card.value("VOZR").toInt(), 26);
    card.save();
    EXPECT_EQ(db_->scalar("select VOZR from ISSLED").toInt(), 26);
}

TEST_F(LabDataTest, CompositionRowsAreNumberedAfterTheLast) {
    labData_->session.directoryKind = DirectoryKind::Composition;
    labData_->indicators.open();
    labData_->investigationTypes.open();  // stands on type 1: no rows
    EXPECT_EQ(labData_->session.lastCompositionPosition, 0);
    ASSERT_TRUE(labData_->investigationTypes.locate("N_LISSL", 2));
    EXPECT_EQ(labData_->session.lastCompositionPosition, 7);
    ASSERT_TRUE(labData_->indicators.locate("N_PRLAB", 21));
    labData_->composition.append();
    EXPECT_EQ(labData_->composition.value("NPP").toInt(), 8);
    EXPECT_EQ(labData_->composition.value("N_LISSL").toInt(), 2);
    EXPECT_EQ(labData_->composition.value("N_PRLAB").toInt(), 21);
    EXPECT_EQ(labData_->composition.value("N_LIPR").toInt(), 51);
    labData_->composition.append();
    EXPECT_EQ(labData_->composition.value("NPP").toInt(), 9);
    labData_->composition.save();
    EXPECT_EQ(db_->scalar("select list(NPP) from (select NPP from LAB_ISSL_PRIZ where N_LISSL = 2 "
                          "order by NPP)")
                  .toString(),
              "7,8,9");
}

TEST_F(LabDataTest, CompositionReloadOnlyWhileTheCompositionWindowIsOpen) {
    labData_->session.directoryKind = DirectoryKind::Departments;
    labData_->investigationTypes.open();
    labData_->investigationTypes.locate("N_LISSL", 2);
    EXPECT_FALSE(labData_->composition.isActive());
}

}  // namespace
