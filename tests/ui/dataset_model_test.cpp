#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include "data/clock.h"
#include "support/scripted_dialogs.h"
#include "support/temp_database.h"
#include "ui/db_grid.h"
#include "ui/db_lookup_combo.h"

using testing_support::ScriptedDialogs;
using testing_support::TempDatabase;

namespace {

class ModelTest : public ::testing::Test {
protected:
    // A database of its own for each test: the tests write fixed keys.
    void makeDatabase() {
        db_ = std::make_unique<TempDatabase>(
            QStringList{"insert into SP_LPU (COD_LPU, NAME) values (1, 'Больница')",
                        "insert into SP_LPU (COD_LPU, NAME) values (2, 'Поликлиника')",
                        "insert into ISSLED (N_ISSLED, COD_LPU, FAM, DAT_R, NPP) values (1, 1, "
                        "'Иванов', '1980-05-04', 1)",
                        "insert into ISSLED (N_ISSLED, COD_LPU, FAM, DAT_R, NPP) values (2, 2, "
                        "'Петров', null, 2)",
                        "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME, NORMA_TIME) values (1, "
                        "'Глюкоза', 2.50)",
                        "set generator GEN_ISSLED_ID to 10"});
    }

    void SetUp() override {
        makeDatabase();
        connection_.setDatabaseName(db_->path());
        connection_.setParams({"lc_ctype=WIN1251", "user_name=SYSDBA"});
        records_.setSql(
            "select i.*, l.NAME as LPU from ISSLED i left join SP_LPU l on l.COD_LPU = i.COD_LPU "
            "order by NPP");
        records_.declareFields({{"FAM", QStringLiteral("Фамилия"), true, 0, false},
                                {"DAT_R", QStringLiteral("Дата рождения"), true, 0, false},
                                {"COD_LPU", {}, false, 0, false},
                                {"LPU", QStringLiteral("ЛПУ"), true, 0, true}});
        records_.setUpdateSql(data::UpdateSql::standard("ISSLED", "N_ISSLED",
                                                        {"N_ISSLED", "FAM", "DAT_R", "COD_LPU"}));
        records_.setGenerator("N_ISSLED", "GEN_ISSLED_ID");
        institutions_.setSql("select * from SP_LPU order by NAME");
    }

    std::unique_ptr<TempDatabase> db_;
    db::Connection connection_;
    db::Transaction tr_{connection_};
    data::Dataset records_{tr_, "Records"};
    data::DataSource recordsSource_{&records_};
    data::Dataset institutions_{tr_, "Institutions"};
    data::DataSource institutionsSource_{&institutions_};
};

TEST_F(ModelTest, ShowsVisibleFieldsWithLabelsAndSurvivesTheModelTester) {
    ui::DatasetModel model(&recordsSource_);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(model.rowCount(), 0);
    records_.open();
    ASSERT_EQ(model.columnCount(), 3);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("Фамилия"));
    EXPECT_EQ(model.headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("ЛПУ"));
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.data(model.index(0, 1), Qt::DisplayRole).toString(), "04.05.1980");
    EXPECT_EQ(model.data(model.index(0, 2), Qt::DisplayRole).toString(),
              QStringLiteral("Больница"));
    EXPECT_TRUE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.flags(model.index(0, 2)) & Qt::ItemIsEditable)
        << "joined names are read-only";

    records_.append();
    records_.setValue("FAM", QStringLiteral("Сидоров"));
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.data(model.index(2, 0), Qt::DisplayRole).toString(), QStringLiteral("Сидоров"));
    records_.cancel();
    records_.first();
    records_.remove();
    EXPECT_EQ(model.rowCount(), 1);
    records_.cancelUpdates();
    EXPECT_EQ(model.rowCount(), 2);
    records_.close();
    EXPECT_EQ(model.rowCount(), 0);
}

TEST_F(ModelTest, OwnColumnListSetsTitlesWidthsAndColours) {
    ui::DatasetModel model(&recordsSource_);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    ui::GridColumn institution;
    institution.field = "LPU";
    institution.title = QStringLiteral("Учреждение");
    institution.width = 120;
    institution.alignment = Qt::AlignCenter;
    institution.foreground = Qt::blue;
    ui::GridColumn surname;
    surname.field = "FAM";
    surname.width = 151;
    model.setColumns({institution, surname});
    records_.open();
    ASSERT_EQ(model.columnCount(), 2);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("Учреждение"));
    EXPECT_EQ(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("Фамилия"));
    EXPECT_EQ(model.data(model.index(0, 0), Qt::ForegroundRole).value<QColor>(), QColor(Qt::blue));
    EXPECT_EQ(model.data(model.index(0, 0), Qt::TextAlignmentRole).value<Qt::Alignment>(),
              Qt::AlignCenter);
    model.cellStyle = [](int row, int, int role) {
        return row == 1 && role == Qt::BackgroundRole ? QVariant(QColor(Qt::yellow)) : QVariant();
    };
    EXPECT_EQ(model.data(model.index(1, 1), Qt::BackgroundRole).value<QColor>(),
              QColor(Qt::yellow));
    EXPECT_FALSE(model.data(model.index(0, 1), Qt::BackgroundRole).isValid());
}

TEST_F(ModelTest, InPlaceEditsGoToTheBufferAndBadInputIsReported) {
    ui::DatasetModel model(&recordsSource_);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QStringList errors;
    model.errorHandler = [&](const QString& e) { errors << e; };
    records_.open();
    EXPECT_TRUE(model.setData(model.index(1, 0), QStringLiteral("Петрова"), Qt::EditRole));
    EXPECT_EQ(records_.currentRow(), 1);
    EXPECT_TRUE(records_.updatesPending());
    EXPECT_FALSE(model.setData(model.index(1, 1), QStringLiteral("вчера"), Qt::EditRole));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(QStringLiteral("Дата рождения"))) << errors[0].toStdString();
    EXPECT_TRUE(model.setData(model.index(1, 1), QStringLiteral("01.02.2003"), Qt::EditRole));
    records_.save();
    EXPECT_EQ(db_->scalar("select FAM from ISSLED where N_ISSLED = 2").toString(),
              QStringLiteral("Петрова"));
    EXPECT_EQ(db_->scalar("select DAT_R from ISSLED where N_ISSLED = 2").toDate(),
              QDate(2003, 2, 1));
}

TEST_F(ModelTest, DisabledControlsHearOfAReopeningOnce) {
    ui::DatasetModel model(&recordsSource_);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    records_.open();
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy news(&recordsSource_, &data::DataSource::dataChanged);
    {
        const data::ControlsDisabled quiet(records_);
        records_.close();
        records_.open();
        records_.append();
        records_.setValue("FAM", QStringLiteral("Новиков"));
        EXPECT_EQ(news.count(), 0);
        EXPECT_EQ(resets.count(), 0);
    }
    EXPECT_EQ(news.count(), 1);
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.data(model.index(2, 0), Qt::DisplayRole).toString(), QStringLiteral("Новиков"));
    records_.cancel();
    EXPECT_EQ(model.rowCount(), 2) << "enabled again: changes are told as they happen";
}

TEST_F(ModelTest, RowIndicatorShowsTheCurrentRowAndItsState) {
    ui::DatasetModel model(&recordsSource_);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    records_.open();
    records_.last();
    EXPECT_TRUE(model.headerData(0, Qt::Vertical, Qt::DisplayRole).isNull());
    EXPECT_EQ(model.headerData(1, Qt::Vertical, Qt::DisplayRole).toString(), QStringLiteral("▶"));
    records_.edit();
    EXPECT_EQ(model.headerData(1, Qt::Vertical, Qt::DisplayRole).toString(), QStringLiteral("✎"));
    records_.cancel();
    records_.insert();
    EXPECT_EQ(model.headerData(1, Qt::Vertical, Qt::DisplayRole).toString(), QStringLiteral("✱"));
    records_.cancel();
}

TEST_F(ModelTest, GridFollowsTheDatasetAndMovesIt) {
    ui::DbGrid grid;
    grid.setDataSource(&recordsSource_);
    records_.open();
    records_.last();
    EXPECT_EQ(grid.currentIndex().row(), 1);
    grid.setCurrentIndex(grid.model()->index(0, 0));
    EXPECT_EQ(records_.currentRow(), 0);
}

TEST_F(ModelTest, InsertingFromAGridTypesIntoTheNewRow) {
    ui::DbGrid grid;
    grid.setDataSource(&recordsSource_);
    records_.open();
    grid.setCurrentIndex(grid.model()->index(0, 0));
    records_.insert();  // before the current row: the view shifts, the dataset stays on the new row
    EXPECT_EQ(records_.state(), data::DatasetState::Insert);
    EXPECT_EQ(records_.currentRow(), 0);
    EXPECT_EQ(grid.currentIndex().row(), 0);
    ASSERT_TRUE(
        grid.model()->setData(grid.model()->index(0, 0), QStringLiteral("Новая"), Qt::EditRole));
    records_.save();
    EXPECT_EQ(db_->scalar("select count(*) from ISSLED").toInt(), 3);
    EXPECT_EQ(db_->scalar("select FAM from ISSLED where N_ISSLED = 1").toString(),
              QStringLiteral("Иванов"));
    EXPECT_EQ(db_->scalar("select count(*) from ISSLED where FAM = 'Новая'").toInt(), 1);
    db_->exec("delete from ISSLED where FAM = 'Новая'");
}

TEST_F(ModelTest, LookupWritesTheKeyAndShowsTheName) {
    ScriptedDialogs dialogs;
    institutions_.open();
    records_.open();
    ui::DbLookupComboBox combo;
    combo.setListSource(&institutionsSource_, "COD_LPU", "NAME");
    combo.setDataSource(&recordsSource_, "COD_LPU");
    ASSERT_EQ(combo.count(), 2);
    EXPECT_EQ(combo.currentText(), QStringLiteral("Больница"));
    records_.next();
    EXPECT_EQ(combo.currentText(), QStringLiteral("Поликлиника"));
    emit combo.activated(0);  // the user picks "Больница"
    EXPECT_EQ(records_.value("COD_LPU").toInt(), 1);
    EXPECT_EQ(records_.state(), data::DatasetState::Edit);
    records_.cancel();
    EXPECT_EQ(combo.currentText(), QStringLiteral("Поликлиника"));
}

TEST_F(ModelTest, UnboundLookupSignalsKeyChangesOnce) {
    institutions_.open();
    ui::DbLookupComboBox combo;
    combo.setListSource(&institutionsSource_, "COD_LPU", "NAME");
    QSignalSpy spy(&combo, &ui::DbLookupComboBox::keyValueChanged);
    combo.setKeyValue(2);
    combo.setKeyValue(2);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(combo.currentText(), QStringLiteral("Поликлиника"));
    combo.setKeyValue(99);  // not in the list: nothing selected
    EXPECT_EQ(spy.count(), 2);
    EXPECT_TRUE(combo.keyValue().isNull());
    EXPECT_EQ(combo.currentIndex(), -1);
}

}  // namespace
