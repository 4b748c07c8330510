#include "ui/dialogs.h"

#include <QDialog>
#include <QFileDialog>
#include <QPushButton>
#include <QTextStream>

#include "ui/login_dialog.h"

namespace ui {
namespace {
Dialogs* installed = nullptr;

// The title of every box; the main window's own caption is the laboratory's name.
QString applicationTitle() {
    return QStringLiteral("Лабораторный журнал");
}
}  // namespace

QMessageBox::StandardButton QtDialogs::message(QWidget* parent, const Message& m) {
    QMessageBox box(m.icon, m.title.isEmpty() ? applicationTitle() : m.title, boxText(m.text),
                    m.buttons, parent);
    const int result = box.exec();
    return static_cast<QMessageBox::StandardButton>(result);
}

bool QtDialogs::okPressed(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Information, applicationTitle(), boxText(text), QMessageBox::Ok,
                    parent);
    // With OK alone the box would take Escape and its close box for OK; a hidden button takes
    // them instead.
    QPushButton* dismissed = box.addButton(QMessageBox::Cancel);
    dismissed->hide();
    box.setEscapeButton(dismissed);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    return box.clickedButton() == box.button(QMessageBox::Ok);
}

bool QtDialogs::login(db::LoginRequest& request) {
    LoginDialog dialog(request.databaseName, request.userName);
    if (dialog.exec() != QDialog::Accepted) return false;
    request.userName = dialog.userName();
    request.password = dialog.password();
    return true;
}

QString QtDialogs::openFileName(QWidget* parent, const QString& caption, const QString& folder,
                                const QString& filter) {
    return QFileDialog::getOpenFileName(parent, caption, folder, filter, nullptr,
                                        QFileDialog::HideNameFilterDetails);
}

QString QtDialogs::saveFileName(QWidget* parent, const QString& caption, const QString& folder,
                                const QString& filter) {
    return QFileDialog::getSaveFileName(
        parent, caption, folder, filter, nullptr,
        QFileDialog::HideNameFilterDetails | QFileDialog::DontConfirmOverwrite);
}

int QtDialogs::showModal(QDialog* dialog) {
    return dialog->exec();
}

QMessageBox::StandardButton UnattendedDialogs::message(QWidget*, const Message& message) {
    QTextStream(stderr) << message.text << "\n";
    for (const auto button : {QMessageBox::Cancel, QMessageBox::No, QMessageBox::Ok})
        if (message.buttons & button) return button;
    return QMessageBox::Cancel;
}

bool UnattendedDialogs::okPressed(QWidget*, const QString& text) {
    QTextStream(stderr) << text << "\n";
    return false;
}

bool UnattendedDialogs::login(db::LoginRequest&) {
    return false;
}

QString UnattendedDialogs::openFileName(QWidget*, const QString&, const QString&, const QString&) {
    return {};
}

QString UnattendedDialogs::saveFileName(QWidget*, const QString&, const QString&, const QString&) {
    return {};
}

int UnattendedDialogs::showModal(QDialog*) {
    return QDialog::Rejected;
}

Dialogs& dialogs() {
    static QtDialogs qt;
    return installed ? *installed : qt;
}

void setDialogs(Dialogs* d) {
    installed = d;
}

QString failureText(const std::exception& e) {
    if (const auto* database = dynamic_cast<const db::DbError*>(&e)) return database->message();
    return QString::fromUtf8(e.what());
}

QString boxText(const QString& text) {
    QString shown = text;
    for (qsizetype i = 0; i < shown.size(); ++i)
        if (shown[i] == u'\r' && (i + 1 == shown.size() || shown[i + 1] != u'\n')) shown[i] = u'\n';
    return shown;
}

void information(QWidget* parent, const QString& text) {
    dialogs().message(parent, {QMessageBox::Information, {}, text, QMessageBox::Ok});
}

void showError(QWidget* parent, const QString& text) {
    dialogs().message(parent, {QMessageBox::Critical, {}, text, QMessageBox::Ok});
}

bool confirm(QWidget* parent, const QString& text) {
    return dialogs().message(
               parent, {QMessageBox::Question, {}, text, QMessageBox::Yes | QMessageBox::No}) ==
           QMessageBox::Yes;
}

}  // namespace ui
