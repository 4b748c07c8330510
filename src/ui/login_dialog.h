// The "Database Login" prompt: the path, the user name and the password.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace ui {

class LoginDialog : public QDialog {
    Q_OBJECT
public:
    LoginDialog(const QString& databaseName, const QString& userName, QWidget* parent = nullptr);

    QString userName() const;
    QString password() const;
    QLineEdit* userNameEdit() const { return userName_; }
    QLineEdit* passwordEdit() const { return password_; }

private:
    QLabel* database_;
    QLineEdit* userName_;
    QLineEdit* password_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

}  // namespace ui
