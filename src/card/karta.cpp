#include "card/karta.h"

#include <QLineEdit>

#include "data/clock.h"
#include "data/dm_pelta.h"
#include "data/globals.h"
#include "ui/data_aware.h"
#include "ui/db_grid.h"
#include "ui/dialogs.h"

TForm2* Form2 = nullptr;

TForm2::TForm2(TdmV& dmodule, QWidget* parent)
    : QDialog(parent),
      dm(dmodule),
      IBQuery2(dmodule.IBTransaction1, "IBQuery2"),
      DataSource2(&IBQuery2, "DataSource2") {
    setObjectName("Form2");
    setWindowTitle(QStringLiteral("Данные исследования"));
    IBQuery2.setSql(
        "Select li.*, lp.npp,pr.name,pr.ed_izm\n"
        "from Lab_issl_bol li,sp_priz_lab_issl pr, lab_issl_priz lp\n"
        "Where li.n_prlab=pr.n_prlab \n"
        " and li.n_prlab=lp.n_prlab\n"
        " and li.n_issled=:n_issled\n"
        " and lp.n_lissl=li.n_lissl\n"
        "Order by lp.npp");
    IBQuery2.declareFields({{"N_ISBOL", {}, false, 0, false},
                            {"N_PRLAB", {}, false, 0, false},
                            {"N_LISSL", {}, true, 0, false},
                            {"N_ISSLED", {}, false, 0, false},
                            {"NAME", QStringLiteral("Показатель"), true, 0, false},
                            {"RESULT", QStringLiteral("Результат"), true, 0, false},
                            {"ED_IZM", QStringLiteral("Ед. изм."), true, 0, false},
                            {"NPP", {}, true, 0, false}});
    data::UpdateSql results;
    results.modifySql =
        "update Lab_issl_bol set N_ISBOL = :N_ISBOL, N_PRLAB = :N_PRLAB, N_LISSL = :N_LISSL, "
        "N_ISSLED = "
        ":N_ISSLED, RESULT = :RESULT where N_ISBOL = :OLD_N_ISBOL";
    results.insertSql =
        "insert into Lab_issl_bol (N_ISBOL, N_PRLAB, N_LISSL, N_ISSLED, RESULT) values (:N_ISBOL, "
        ":N_PRLAB, :N_LISSL, :N_ISSLED, :RESULT)";
    results.deleteSql = "delete from Lab_issl_bol where N_ISBOL = :OLD_N_ISBOL";
    IBQuery2.setUpdateSql(results);
    IBQuery2.afterInsert = [this](data::Dataset& d) {
        d.setValue("N_ISSLED", dm.Karta.value("N_ISSLED"));
    };

    buildControls();
    bindControls();
}

void TForm2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ui::guarded(this, [this] { FormShow(); });
}

void TForm2::done(int result) {
    // Every way of closing the card ("Выход", "Отменить", the close box, Escape) passes here.
    if (!closing_) {
        closing_ = true;
        ui::guarded(this, [this] { FormClose(); });
        closing_ = false;
    }
    QDialog::done(result);
}

void TForm2::FormShow() {
    // Each list and the record are closed and reopened; the controls show the result once.
    for (data::Dataset* list : {&dm.IBQuery8, &dm.IBQuery9, &dm.IBQuery10, &dm.IBQuery11}) {
        const data::ControlsDisabled quiet(*list);
        list->close();
        list->open();
    }
    const data::ControlsDisabled quiet(dm.Karta);
    dm.Karta.close();
    dm.Karta.setParam("n_issled", CurrentInvestigationKey);
    dm.Karta.open();
    const data::ControlsDisabled quietResults(IBQuery2);
    IBQuery2.close();
    IBQuery2.setParam("n_issled", dm.Karta.value("N_ISSLED"));
    IBQuery2.open();
    Edit1->clear();
    Edit2->clear();
}

void TForm2::Button5Click() {
    ui::flushEditors(this);
    // Results first, then the record; one commit keeps both or neither.
    data::saveTogether({&IBQuery2, &dm.Karta});
}

void TForm2::Button3Click() {
    IBQuery2.cancelUpdates();
    dm.Karta.cancel();
    dm.Karta.cancelUpdates();
    close();
}

void TForm2::Button2Click() {
    close();
}

void TForm2::FormClose() {
    ui::flushEditors(this);
    IBQuery2.close();
    data::Dataset& card = dm.Karta;
    if (!card.isActive() || card.isEmpty()) return;
    const bool nameless = card.value("FAM").toString().isEmpty() &&
                          card.value("IMJA").toString().isEmpty() &&
                          card.value("OTCH").toString().isEmpty();
    if (!nameless) return;
    if (!ui::confirm(this, QStringLiteral("Отсутствует фамилия, имя, отчество \r удалить запись?")))
        return;
    card.remove();
    card.applyUpdates();
    dm.IBTransaction1.commitRetaining();
    card.commitUpdates();
}

QString TForm2::capitalizedName(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 0x20) ++begin;
    while (end > begin && text[end - 1].unicode() <= 0x20) --end;
    const QString trimmed = text.mid(begin, end - begin);
    if (trimmed.isEmpty()) return {};
    return trimmed.left(1).toUpper() + trimmed.mid(1, 30);
}

void TForm2::DBEdit12Exit() {
    data::Dataset& card = dm.Karta;
    if (!card.isActive()) return;
    card.edit();
    for (ui::DbEdit* edit : {DBEdit12, DBEdit8, DBEdit10}) {
        if (edit->text().isEmpty()) continue;
        card.setValue(edit->fieldName(), capitalizedName(edit->text()));
    }
}

QDate TForm2::birthDateFromAge(const QString& yearsText, const QString& monthsText,
                               const QDate& today) {
    auto number = [](const QString& text, const QString& field) {
        bool ok = false;
        const int n = text.trimmed().toInt(&ok);
        if (!ok)
            throw db::DbError(QStringLiteral("В поле «%1» должно быть целое число, а введено «%2».")
                                  .arg(field, text));
        return n;
    };
    int year = today.year();
    int month = today.month();
    if (!yearsText.isEmpty()) year -= number(yearsText, QStringLiteral("Лет"));
    if (!monthsText.isEmpty()) {
        const int m = number(monthsText, QStringLiteral("Мес"));
        if (m >= month) {
            month = month + 12 - m;
            year -= 1;
        } else {
            month -= m;
        }
    }
    const QDate birth(year, month, 1);
    if (month < 1 || month > 12 || !birth.isValid())
        throw db::DbError(
            QStringLiteral(
                "По указанному возрасту (лет: «%1», мес: «%2») нельзя получить дату рождения.")
                .arg(yearsText, monthsText));
    return birth;
}

void TForm2::BitBtn2Click() {
    if (Edit1->text().isEmpty() && Edit2->text().isEmpty()) return;
    const QDate birth = birthDateFromAge(Edit1->text(), Edit2->text(), data::clock::today());
    dm.Karta.edit();
    dm.Karta.setValue("DAT_R", birth);
}
