#include <gtest/gtest.h>

#include "data/dataset.h"
#include "support/temp_database.h"

using data::Dataset;
using data::SaveFailure;
using testing_support::TempDatabase;

namespace {

// A directory of doctors on a database of its own, edited through a buffered dataset.
class DatasetTest : public ::testing::Test {
protected:
    void SetUp() override {
        db_ = std::make_unique<TempDatabase>(
            QStringList{"insert into SP_VR (COD_VR, FIO) values (1, 'Абрамова А.А.')",
                        "insert into SP_VR (COD_VR, FIO) values (2, 'ёлкин Б.Б.')",
                        "insert into SP_VR (COD_VR, FIO) values (3, 'Яковлев В.В.')",
                        "set generator GEN_SP_VR_ID to 10"});
        connection_.setDatabaseName(db_->path());
        connection_.setParams({"lc_ctype=WIN1251", "user_name=SYSDBA"});
        ds_ = std::make_unique<Dataset>(tr_, "Doctors");
        ds_->setSql("select * from sp_vr Order by cod_vr");
        ds_->declareFields(
            {{"FIO", QStringLiteral("Ф.И.О."), true, 0, false}, {"COD_VR", {}, false, 0, false}});
        ds_->setUpdateSql(data::UpdateSql::standard("sp_vr", "COD_VR", {"COD_VR", "FIO"}));
        ds_->setGenerator("COD_VR", "GEN_SP_VR_ID");
        ds_->open();
    }

    QStringList namesInDatabase() const {
        QStringList names;
        for (const auto& r : db_->rows("select FIO from SP_VR order by COD_VR"))
            names << r[0].toString();
        return names;
    }

    std::unique_ptr<TempDatabase> db_;
    db::Connection connection_;
    db::Transaction tr_{connection_};
    std::unique_ptr<Dataset> ds_;
};

TEST_F(DatasetTest, FieldsFollowTheDeclaredOrderWithLabelsAndHiddenFlags) {
    ASSERT_EQ(ds_->fields().size(), 2);
    EXPECT_EQ(ds_->fields()[0].name, "FIO");
    EXPECT_EQ(ds_->fields()[0].displayLabel(), QStringLiteral("Ф.И.О."));
    EXPECT_EQ(ds_->fields()[0].size, 55);
    EXPECT_FALSE(ds_->field("cod_vr").visible);
    EXPECT_EQ(ds_->field("COD_VR").type, data::FieldType::Integer);
}

TEST_F(DatasetTest, CursorMovesAndCounts) {
    EXPECT_EQ(ds_->recordCount(), 3);
    EXPECT_EQ(ds_->value("FIO").toString(), QStringLiteral("Абрамова А.А."));
    ds_->last();
    EXPECT_TRUE(ds_->eof());
    EXPECT_EQ(ds_->value("COD_VR").toInt(), 3);
    ds_->next();
    EXPECT_EQ(ds_->currentRow(), 2);
    ds_->first();
    EXPECT_TRUE(ds_->bof());
    EXPECT_EQ(ds_->currentRow(), 0);
}

struct LocateCase {
    QString text;
    int options;
    int expectedKey;  // 0: not found
};

TEST_F(DatasetTest, LocateHonoursPartialAndCaseOptions) {
    const std::vector<LocateCase> cases = {
        {QStringLiteral("Яковлев В.В."), data::LocateDefault, 3},
        {QStringLiteral("Яковлев"), data::LocateDefault, 0},
        {QStringLiteral("Яков"), data::LocatePartialKey, 3},
        {QStringLiteral("яков"), data::LocatePartialKey, 0},
        {QStringLiteral("яков"), data::LocatePartialKey | data::LocateCaseInsensitive, 3},
        {QStringLiteral("ЁЛК"), data::LocatePartialKey | data::LocateCaseInsensitive, 2},
        {QStringLiteral("ковлев"), data::LocatePartialKey | data::LocateCaseInsensitive, 0},
    };
    for (const LocateCase& c : cases) {
        ds_->first();
        const bool found = ds_->locate("FIO", c.text, c.options);
        EXPECT_EQ(found, c.expectedKey != 0) << c.text.toStdString();
        if (found)
            EXPECT_EQ(ds_->value("COD_VR").toInt(), c.expectedKey) << c.text.toStdString();
        else
            EXPECT_EQ(ds_->currentRow(), 0) << "a failed locate must not move";
    }
    EXPECT_TRUE(ds_->locate("COD_VR", 2));
    EXPECT_TRUE(ds_->locate("COD_VR", QStringLiteral("3")));
}

TEST_F(DatasetTest, ChangesStayInTheBufferUntilSaved) {
    ds_->locate("COD_VR", 3);
    ds_->edit();
    ds_->setValue("FIO", QStringLiteral("Яковлева В.В."));
    ds_->append();
    EXPECT_EQ(ds_->value("COD_VR").toInt(), 11);  // drawn from the generator at once
    ds_->setValue("FIO", QStringLiteral("Новиков Г.Г."));
    ds_->first();
    ds_->remove();
    EXPECT_EQ(ds_->recordCount(), 3);
    EXPECT_TRUE(ds_->updatesPending());
    EXPECT_EQ(namesInDatabase(),
              (QStringList{QStringLiteral("Абрамова А.А."), QStringLiteral("ёлкин Б.Б."),
                           QStringLiteral("Яковлев В.В.")}));
    ds_->save();
    EXPECT_FALSE(ds_->updatesPending());
    EXPECT_EQ(namesInDatabase(),
              (QStringList{QStringLiteral("ёлкин Б.Б."), QStringLiteral("Яковлева В.В."),
                           QStringLiteral("Новиков Г.Г.")}));
    // No cursor was open: the save ended the transaction instead of retaining its context, and
    // the rows stay to browse and change.
    EXPECT_FALSE(tr_.isActive());
    EXPECT_EQ(ds_->recordCount(), 3);
    ds_->edit();
    ds_->setValue("FIO", QStringLiteral("Новикова Г.Г."));
    ds_->save();
    EXPECT_TRUE(namesInDatabase().contains(QStringLiteral("Новикова Г.Г.")));
}

TEST_F(DatasetTest, SaveWithNothingChangedSendsNothing) {
    // A lock held elsewhere would make any write fail; a save with no change must not touch it.
    auto other = db_->connect();
    db::Transaction lock(*other);
    db::executeSql(lock, "update SP_VR set FIO = FIO");
    EXPECT_NO_THROW(ds_->save());
    lock.rollback();
}

TEST_F(DatasetTest, EmptyTextIsStoredAsNull) {
    ds_->locate("COD_VR", 1);
    ds_->edit();
    ds_->setValue("FIO", QString());
    ds_->post();
    EXPECT_TRUE(ds_->value("FIO").isNull());
    ds_->edit();
    ds_->setValue("FIO", QStringLiteral(""));
    ds_->save();
    EXPECT_TRUE(db_->scalar("select FIO from SP_VR where COD_VR = 1").isNull());
    EXPECT_EQ(db_->scalar("select count(*) from SP_VR where FIO = ''").toInt(), 0);
}

TEST_F(DatasetTest, FailedSaveKeepsOrDiscardsTheBufferAsAsked) {
    auto other = db_->connect();
    db::Transaction lock(*other);
    db::executeSql(lock, "update SP_VR set FIO = 'занято' where COD_VR = 1");

    ds_->locate("COD_VR", 2);
    ds_->edit();
    ds_->setValue("FIO", QStringLiteral("Ёлкин Б.Б."));
    ds_->locate("COD_VR", 1);
    ds_->edit();
    ds_->setValue("FIO", QStringLiteral("Абрамова-Петрова"));
    try {
        ds_->save(SaveFailure::KeepChanges);
        FAIL() << "the locked row was written";
    } catch (const db::DbError& e) {
        EXPECT_TRUE(e.message().contains("lock conflict") || e.message().contains("deadlock"));
    }
    EXPECT_TRUE(ds_->updatesPending());
    EXPECT_EQ(ds_->value("FIO").toString(), QStringLiteral("Абрамова-Петрова"));
    // The change to row 2 went out before the failure and was rolled back with it.
    EXPECT_EQ(db_->scalar("select FIO from SP_VR where COD_VR = 2").toString(),
              QStringLiteral("ёлкин Б.Б."));

    EXPECT_THROW(ds_->save(SaveFailure::CancelChanges), db::DbError);
    EXPECT_FALSE(ds_->updatesPending());
    EXPECT_EQ(ds_->currentRow(), 0);
    EXPECT_EQ(ds_->value("FIO").toString(), QStringLiteral("Абрамова А.А."));

    lock.rollback();
    ds_->locate("COD_VR", 1);
    ds_->edit();
    ds_->setValue("FIO", QStringLiteral("Абрамова-Петрова"));
    ds_->save();
    EXPECT_EQ(db_->scalar("select FIO from SP_VR where COD_VR = 1").toString(),
              QStringLiteral("Абрамова-Петрова"));
    // A change of the refused save left in the transaction would show once it commits.
    EXPECT_EQ(db_->scalar("select FIO from SP_VR where COD_VR = 2").toString(),
              QStringLiteral("ёлкин Б.Б."))
        << "nothing of the refused save came with the later commit";
}

TEST_F(DatasetTest, CancelUpdatesRestoresEverythingAndGoesToTheFirstRecord) {
    ds_->locate("COD_VR", 3);
    ds_->remove();
    ds_->first();
    ds_->edit();
    ds_->setValue("FIO", QStringLiteral("Иная"));
    ds_->append();
    ds_->setValue("FIO", QStringLiteral("Новый"));
    ds_->cancelUpdates();
    EXPECT_EQ(ds_->recordCount(), 3);
    EXPECT_EQ(ds_->currentRow(), 0);
    QStringList names;
    for (int r = 0; r < ds_->recordCount(); ++r) names << ds_->valueAt(r, 0).toString();
    EXPECT_EQ(names, (QStringList{QStringLiteral("Абрамова А.А."), QStringLiteral("ёлкин Б.Б."),
                                  QStringLiteral("Яковлев В.В.")}));
}

TEST_F(DatasetTest, CancelledInsertLosesItsKey) {
    ds_->insert();
    const int drawn = ds_->value("COD_VR").toInt();
    ds_->cancel();
    EXPECT_EQ(ds_->recordCount(), 3);
    ds_->insert();
    EXPECT_EQ(ds_->value("COD_VR").toInt(), drawn + 1);
    ds_->setValue("FIO", QStringLiteral("Гость"));
    ds_->save();
    EXPECT_EQ(db_->scalar("select count(*) from SP_VR where COD_VR = :k", {{"k", drawn}}).toInt(),
              0);
    EXPECT_EQ(db_->scalar("select FIO from SP_VR where COD_VR = :k", {{"k", drawn + 1}}).toString(),
              QStringLiteral("Гость"));
}

TEST_F(DatasetTest, UntouchedInsertIsDroppedWhenTheCursorMoves) {
    ds_->setGenerator({}, {});
    ds_->insert();
    ds_->last();
    EXPECT_EQ(ds_->recordCount(), 3);
    EXPECT_FALSE(ds_->updatesPending());
}

TEST_F(DatasetTest, ValuesAreCheckedAgainstTheFieldType) {
    ds_->edit();
    EXPECT_THROW(ds_->setValue("COD_VR", QStringLiteral("abc")), db::DbError);
    EXPECT_THROW(ds_->setValue("NO_SUCH", 1), db::DbError);
    ds_->setValue("FIO", QString(80, u'ж'));
    EXPECT_EQ(ds_->value("FIO").toString().size(), 55) << "text is cut to the column";
    ds_->cancel();
    EXPECT_THROW(ds_->setValue("FIO", QStringLiteral("x")), db::DbError) << "not in edit mode";
}

TEST_F(DatasetTest, EditOnAnEmptyDatasetIsRefusedAndAddsNoRecord) {
    ds_->close();
    ds_->setSql("select * from sp_vr where cod_vr < 0");
    ds_->open();
    EXPECT_THROW(ds_->edit(), db::DbError);
    EXPECT_EQ(ds_->state(), data::DatasetState::Browse);
    EXPECT_EQ(ds_->recordCount(), 0);
    EXPECT_FALSE(ds_->updatesPending());
}

TEST_F(DatasetTest, HooksRunInOrder) {
    QStringList calls;
    ds_->afterInsert = [&](Dataset& d) { calls << "insert:" + d.value("COD_VR").toString(); };
    ds_->afterScroll = [&](Dataset& d) { calls << "scroll:" + QString::number(d.currentRow()); };
    ds_->setValidator("FIO", [&](Dataset&, const QVariant& v) {
        if (v.toString() == "нельзя") throw db::DbError("refused");
        calls << "validate:" + v.toString();
    });
    ds_->next();
    ds_->insert();
    ds_->setValue("FIO", "можно");
    EXPECT_THROW(ds_->setValue("FIO", "нельзя"), db::DbError);
    EXPECT_EQ(ds_->value("FIO").toString(), "можно");
    EXPECT_EQ(calls, (QStringList{"scroll:1", "insert:11", "scroll:1", "validate:можно"}));
}

TEST_F(DatasetTest, ReadOnlyListRefusesDeletion) {
    Dataset list(tr_, "List");
    list.setSql("select * from sp_vr");
    list.open();
    EXPECT_THROW(list.remove(), db::DbError);
    EXPECT_EQ(list.recordCount(), 3);
}

TEST_F(DatasetTest, ParametersKeepTheirValuesAcrossReopen) {
    Dataset list(tr_, "List");
    list.setSql("select * from sp_vr where cod_vr >= :k order by cod_vr");
    list.setParam("k", 2);
    list.open();
    EXPECT_EQ(list.recordCount(), 2);
    list.close();
    list.open();
    EXPECT_EQ(list.recordCount(), 2);
    EXPECT_THROW(list.setParam("nope", 1), db::DbError);
}

TEST(DatasetLogin, OpeningConnectsThroughTheLoginPrompt) {
    TempDatabase db;
    db::Connection connection;
    connection.setDatabaseName(db.path());
    connection.setParams({"lc_ctype=WIN1251", "user_name=SYSDBA"});
    connection.setLoginPrompt(true);
    int prompts = 0;
    connection.setLoginHandler([&](db::LoginRequest& r) {
        ++prompts;
        EXPECT_EQ(r.userName, "SYSDBA");
        r.userName = "LABUSER";
        return prompts > 1;
    });
    db::Transaction tr(connection);
    Dataset list(tr, "List");
    list.setSql("select current_user from rdb$database");
    EXPECT_THROW(list.open(), db::DbError);  // cancelled
    EXPECT_FALSE(connection.isOpen());
    connection.setLoginHandler([&](db::LoginRequest& r) {
        ++prompts;
        EXPECT_EQ(r.userName, "SYSDBA") << "a cancelled prompt keeps the configured name";
        r.userName = "LABUSER";
        return true;
    });
    list.open();
    EXPECT_EQ(prompts, 2);
    EXPECT_EQ(list.value(0).toString().trimmed(), "LABUSER");
    EXPECT_EQ(connection.param("user_name"), "LABUSER");
}

}  // namespace
