// Hostile user names and passwords typed into the real login prompt at start-up. The embedded
// engine checks no password: an attachment either succeeds with the text as typed (a user without
// rights then reads nothing, and is told the server's refusal) or is refused with the login
// message; a text the database's code page cannot hold is always refused. Nothing crashes and
// nothing in the database changes.
#include <gtest/gtest.h>

#include <QFile>
#include <QPushButton>

#include "app/application.h"
#include "data/clock.h"
#include "support/hostile_texts.h"
#include "support/temp_database.h"
#include "ui/login_dialog.h"

using testing_support::DatabasePicture;
using testing_support::HostileText;

namespace {

const QString kFailedLogin = QStringLiteral("Неверно введен пароль или имя пользователя.");

enum class LoginField { UserName, Password };

void PrintTo(LoginField field, std::ostream* os) {
    *os << (field == LoginField::UserName ? "user name" : "password");
}

// Answers the login in the real prompt: the text goes into one of its edits as the user enters
// it, the other holds what a user would type, and OK is clicked. (The prompt is shown, not run
// modally: a run's earlier end of the program would end any modal loop at once.)
class PromptDialogs : public testing_support::ScriptedDialogs {
public:
    PromptDialogs(LoginField field, const HostileText& text) : field_(field), text_(text) {}

    bool login(db::LoginRequest& request) override {
        loginRequests.push_back(request);
        ui::LoginDialog dialog(request.databaseName, request.userName);
        dialog.show();
        QLineEdit* edit =
            field_ == LoginField::UserName ? dialog.userNameEdit() : dialog.passwordEdit();
        if (field_ == LoginField::UserName) testing_support::typeText(dialog.passwordEdit(), "x");
        testing_support::enter(edit, text_);
        typed = edit->text();
        for (QPushButton* b : dialog.findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("&OK")) b->click();
        if (dialog.result() != QDialog::Accepted) {
            ADD_FAILURE() << "OK did not accept the prompt";
            return false;
        }
        request.userName = dialog.userName();
        request.password = dialog.password();
        return true;
    }
    QString typed;  // what the prompt's edit held when OK was clicked

private:
    LoginField field_;
    HostileText text_;
};

class LoginInput : public ::testing::TestWithParam<std::tuple<LoginField, HostileText>> {
protected:
    static void SetUpTestSuite() {
        db_ = new TempDatabase(QStringList{
            "insert into RECV_ST (COD, NAME_FULL) values (1, 'Лаборатория')",
            "insert into SP_LPU (COD_LPU, NAME) values (1, 'Амбулатория')",
            "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (1, 'ИФА ВИЧ', 1)",
            "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, FAM, NPP) values (1, 1, "
            "1, '2026-12-09', 'Иванов', 1)"});
    }
    static void TearDownTestSuite() { delete db_; }
    void SetUp() override { data::clock::setToday(QDate(2026, 12, 9)); }
    void TearDown() override { data::clock::setToday({}); }

    using TempDatabase = testing_support::TempDatabase;
    static TempDatabase* db_;
    QTemporaryDir ini_;
};
testing_support::TempDatabase* LoginInput::db_ = nullptr;

TEST_P(LoginInput, AttachesWithTheTextAsTypedOrIsRefusedWithoutACrash) {
    const auto& [field, text] = GetParam();
    QFile ini(ini_.filePath("Reg.INI"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(QStringLiteral("[options]\r\nDBPath=%1\r\nDBUser=SYSDBA\r\nDBRole=\r\n")
                  .arg(db_->path())
                  .toUtf8());
    ini.close();
    const DatabasePicture before(*db_);

    PromptDialogs dialogs(field, text);
    dialogs.answers.push_back(QMessageBox::Cancel);  // a refusal ends the program
    bool started = false;
    {
        app::Application program;
        program.mainWindow->setRegIniPath(ini_.filePath("Reg.INI"));
        started = program.start();
        ASSERT_EQ(dialogs.loginRequests.size(), 1u);
        EXPECT_EQ(dialogs.typed, testing_support::entered(text, 31))
            << "the prompt takes as much as a login holds";
        if (started) {
            EXPECT_TRUE(program.labData->mainConnection.isOpen());
            if (dialogs.messages.empty()) {
                EXPECT_EQ(program.labData->journal.recordCount(), 1) << "the first journal is read";
            } else {
                // A user the database knows nothing of is let in and may read nothing: each step
                // of the start-up says so with the server's words.
                for (const QString& message : dialogs.texts())
                    EXPECT_TRUE(message.contains(QStringLiteral("no permission for SELECT")))
                        << message.toStdString();
                EXPECT_FALSE(program.labData->journal.isActive());
            }
            if (field == LoginField::UserName) {
                EXPECT_EQ(program.labData->mainConnection.param("user_name"), dialogs.typed);
            }
        } else {
            ASSERT_EQ(dialogs.messages.size(), 1u) << dialogs.texts().join("; ").toStdString();
            EXPECT_TRUE(dialogs.messages[0].text.startsWith(kFailedLogin))
                << dialogs.messages[0].text.toStdString();
            EXPECT_FALSE(program.labData->mainConnection.isOpen());
        }
    }
    if (!text.outside.isEmpty()) {
        EXPECT_FALSE(started) << "the database could not be told it";
        ASSERT_EQ(dialogs.messages.size(), 1u);
        const QString& refusal = dialogs.messages[0].text;
        EXPECT_TRUE(refusal.contains(field == LoginField::UserName
                                         ? QStringLiteral("Имя пользователя содержит символы")
                                         : QStringLiteral("Пароль содержит символы")))
            << refusal.toStdString();
        if (field == LoginField::Password) {
            EXPECT_FALSE(refusal.contains(dialogs.typed)) << "a password is never shown";
            EXPECT_FALSE(refusal.contains(text.outside.left(1))) << refusal.toStdString();
        }
    }
    DatabasePicture::expectUnchanged(before, DatabasePicture(*db_));
}

INSTANTIATE_TEST_SUITE_P(Corpus, LoginInput,
                         ::testing::Combine(::testing::Values(LoginField::UserName,
                                                              LoginField::Password),
                                            ::testing::ValuesIn(testing_support::hostileTexts())),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param) == LoginField::UserName
                                                    ? "UserName_"
                                                    : "Password_") +
                                    std::get<1>(info.param).name;
                         });

}  // namespace
