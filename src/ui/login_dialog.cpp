#include "ui/login_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace ui {

LoginDialog::LoginDialog(const QString& databaseName, const QString& userName, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Database Login"));
    setObjectName(QStringLiteral("LoginDialog"));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    auto* databaseRow = new QHBoxLayout;
    databaseRow->addWidget(new QLabel(QStringLiteral("Database:")));
    database_ = new QLabel(databaseName);
    database_->setObjectName(QStringLiteral("DatabaseName"));
    database_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    databaseRow->addWidget(database_, 1);
    layout->addLayout(databaseRow);

    auto* box = new QGroupBox;
    auto* form = new QFormLayout(box);
    userName_ = new QLineEdit(userName);
    userName_->setMaxLength(31);
    password_ = new QLineEdit;
    password_->setMaxLength(31);
    // Each typed character shows as "*", as the login prompts of the database tools do.
    password_->setEchoMode(QLineEdit::Password);
    password_->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    auto* userLabel = new QLabel(QStringLiteral("&User Name:"));
    userLabel->setBuddy(userName_);
    auto* passwordLabel = new QLabel(QStringLiteral("&Password:"));
    passwordLabel->setBuddy(password_);
    form->addRow(userLabel, userName_);
    form->addRow(passwordLabel, password_);
    layout->addWidget(box);

    auto* buttons = new QDialogButtonBox;
    ok_ = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    cancel_ = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    ok_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    if (userName.isEmpty())
        userName_->setFocus();
    else
        password_->setFocus();

    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QString LoginDialog::userName() const {
    return userName_->text();
}
QString LoginDialog::password() const {
    return password_->text();
}

}  // namespace ui
