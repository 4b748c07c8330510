// Test helper: one workstation of the server tests, the whole program started on a server's
// database through a Reg.INI of its own, with scripted logins.
#pragma once

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <stdexcept>

#include "app/application.h"
#include "card/research_card.h"
#include "data/lab_data.h"
#include "support/scripted_dialogs.h"
#include "ui/data_aware.h"
#include "ui/db_grid.h"

namespace testing_support {

// One workstation: the whole program started on the server's database through its Reg.INI.
class Workstation {
public:
    // Reg.INI names the database, the user offered at the login and the role.
    Workstation(const QString& database, ScriptedDialogs& dialogs,
                const QList<std::optional<Login>>& logins,
                const QString& user = QStringLiteral("SYSDBA"), const QString& role = {})
        : dialogs_(dialogs) {
        QFile ini(dir_.filePath("Reg.INI"));
        if (!ini.open(QIODevice::WriteOnly)) throw std::runtime_error("Reg.INI");
        ini.write(QStringLiteral("[options]\nDBPath=%1\nDBUser=%2\nDBRole=%3\n")
                      .arg(database, user, role)
                      .toUtf8());
        ini.close();
        for (const auto& login : logins) dialogs_.logins.push_back(login);
        app = std::make_unique<app::Application>();
        app->mainWindow->setRegIniPath(dir_.filePath("Reg.INI"));
        started = app->start();
    }
    ~Workstation() {
        if (app && card().isVisible()) {
            dialogs_.answers.push_back(QMessageBox::No);
            card().hide();
        }
    }

    ResearchCard& card() { return *app->researchCard; }
    LabData& labData() { return *app->labData; }

    void openCard(int key) {
        labData().session.investigationKey = key;
        card().show();
        card().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&card()));
        ASSERT_TRUE(labData().card.isActive());
        ASSERT_FALSE(labData().card.isEmpty());
    }
    void typeSurname(const QString& text) { testing_support::typeText(card().surnameEdit, text); }
    void typeResult(int row, const QString& text) {
        ui::DatasetModel* model = card().resultsGrid->datasetModel();
        ASSERT_TRUE(model->setData(model->index(row, 1), text, Qt::EditRole));
    }
    QString shownResult(int row) {
        ui::DatasetModel* model = card().resultsGrid->datasetModel();
        return model->data(model->index(row, 1), Qt::DisplayRole).toString();
    }
    void save() { card().saveButton->click(); }
    void closeCard() { card().exitButton->click(); }

    std::unique_ptr<app::Application> app;
    bool started = false;

private:
    ScriptedDialogs& dialogs_;
    QTemporaryDir dir_;
};

}  // namespace testing_support
