#include "card/research_card.h"

#include <QLineEdit>

#include "data/clock.h"
#include "data/lab_data.h"
#include "history/change_history_window.h"
#include "ui/data_aware.h"
#include "ui/db_grid.h"
#include "ui/dialogs.h"

ResearchCard::ResearchCard(LabData& lab, QWidget* parent)
    : ModalWindow(parent),
      labData(lab),
      session(lab.session),
      results(lab.writeTransaction, "results"),
      resultsSource(&results, "resultsSource"),
      documents_(lab, this) {
    setObjectName("ResearchCard");
    setWindowTitle(QStringLiteral("Данные исследования"));
    labData.setUpCardResults(results);

    buildControls();
    bindControls();
}

void ResearchCard::done(int result) {
    // Every way of closing the card ("Выход", "Отменить", the close box, Escape) passes here.
    if (!closing_) {
        closing_ = true;
        ui::guarded(this, [this] { closeRecord(); });
        closing_ = false;
    }
    ModalWindow::done(result);
}

void ResearchCard::openRecord() {
    // Each list and the record are closed and reopened; the controls show the result once.
    for (data::Dataset* list : {&labData.examinationCodes, &labData.countries, &labData.territories,
                                &labData.districts}) {
        const data::ControlsDisabled quiet(*list);
        list->close();
        list->open();
    }
    const data::ControlsDisabled quiet(labData.card);
    labData.card.close();
    labData.card.setParam("n_issled", session.investigationKey);
    labData.card.open();
    const data::ControlsDisabled quietResults(results);
    results.close();
    results.setParam("n_issled", labData.card.value("N_ISSLED"));
    results.open();
    ageYearsEdit->clear();
    ageMonthsEdit->clear();
    if (labData.card.isEmpty())
        ui::information(this, QStringLiteral("Запись не найдена: её удалили на другой рабочей "
                                             "станции. Изменить её нельзя."));
}

void ResearchCard::saveRecord() {
    if (!ui::commitEditors(this)) return;
    // Results first, then the record; one commit keeps both or neither.
    data::saveTogether({&results, &labData.card});
}

void ResearchCard::saveAndReread() {
    data::saveTogether({&results, &labData.card});
    const data::ControlsDisabled quiet(labData.card);
    labData.card.close();
    labData.card.open();
}

void ResearchCard::printResult(ResultOutput output) {
    session.resultOutput = output;
    saveAndReread();
    if (documents_.resultSheet(labData.card, output) == reports::Outcome::NoTemplate)
        ui::information(this, QStringLiteral("Не задан шаблон"));
}

void ResearchCard::printNotification() {
    saveAndReread();
    documents_.notification(labData.card);
}

void ResearchCard::printReferral() {
    saveAndReread();
    documents_.referral(labData.card);
}

void ResearchCard::showHistory() {
    data::Dataset& card = labData.card;
    if (!card.isActive() || card.isEmpty()) return;
    ChangeHistoryWindow::showFor(historyWindow_, labData, this, card.value("N_ISSLED").toInt());
}

void ResearchCard::cancelChanges() {
    results.cancelUpdates();
    labData.card.cancel();
    labData.card.cancelUpdates();
    close();
}

void ResearchCard::closeRecord() {
    ui::commitEditors(this);
    results.close();
    data::Dataset& card = labData.card;
    if (!card.isActive() || card.isEmpty()) return;
    const bool nameless = card.value("FAM").toString().isEmpty() &&
                          card.value("IMJA").toString().isEmpty() &&
                          card.value("OTCH").toString().isEmpty();
    if (!nameless) return;
    if (!ui::confirm(this, QStringLiteral("Отсутствует фамилия, имя, отчество \r удалить запись?")))
        return;
    card.removeAndSave();
}

QString ResearchCard::capitalizedName(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 0x20) ++begin;
    while (end > begin && text[end - 1].unicode() <= 0x20) --end;
    const QString trimmed = text.mid(begin, end - begin);
    if (trimmed.isEmpty()) return {};
    return trimmed.left(1).toUpper() + trimmed.mid(1, 30);
}

void ResearchCard::capitalizeNames() {
    data::Dataset& card = labData.card;
    if (!card.isActive()) return;
    card.edit();
    for (ui::DbEdit* edit : {surnameEdit, firstNameEdit, patronymicEdit}) {
        if (edit->text().isEmpty()) continue;
        card.setValue(edit->fieldName(), capitalizedName(edit->text()));
    }
}

QDate ResearchCard::birthDateFromAge(const QString& yearsText, const QString& monthsText,
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
    // Qt counts years before the Christian era too; a register has no use for them.
    if (year < 1 || month < 1 || month > 12 || !birth.isValid())
        throw db::DbError(
            QStringLiteral(
                "По указанному возрасту (лет: «%1», мес: «%2») нельзя получить дату рождения.")
                .arg(yearsText, monthsText));
    return birth;
}

void ResearchCard::setBirthDateFromAge() {
    if (ageYearsEdit->text().isEmpty() && ageMonthsEdit->text().isEmpty()) return;
    const QDate birth =
        birthDateFromAge(ageYearsEdit->text(), ageMonthsEdit->text(), data::clock::today());
    labData.card.edit();
    labData.card.setValue("DAT_R", birth);
}

void ResearchCard::copyPatient() {
    const QString refusal =
        data::registerCopyMessage(labData.copyPatientFromRegister(labData.card, true));
    if (!refusal.isEmpty()) ui::information(this, refusal);
}
