#include "support/scripted_dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTest>
#include <QToolTip>

namespace testing_support {

QMessageBox::StandardButton ScriptedDialogs::message(QWidget*, const ui::Message& m) {
    messages.push_back(m);
    const int buttons = int(m.buttons);
    if (buttons == QMessageBox::Ok) return QMessageBox::Ok;
    if (answers.empty()) {
        ADD_FAILURE() << "no scripted answer for: " << m.text.toStdString();
        return QMessageBox::Cancel;
    }
    const auto answer = answers.front();
    answers.pop_front();
    return answer;
}

bool ScriptedDialogs::okPressed(QWidget*, const QString& text) {
    messages.push_back({QMessageBox::Information, {}, text, QMessageBox::Ok});
    if (okAnswers.empty()) return true;
    const bool ok = okAnswers.front();
    okAnswers.pop_front();
    return ok;
}

bool ScriptedDialogs::login(db::LoginRequest& request) {
    loginRequests.push_back(request);
    if (logins.empty()) {
        ADD_FAILURE() << "no scripted login";
        return false;
    }
    const auto next = logins.front();
    logins.pop_front();
    if (!next) return false;
    request.userName = next->userName;
    request.password = next->password;
    return true;
}

QString ScriptedDialogs::openFileName(QWidget*, const QString&, const QString&, const QString&) {
    if (fileNames.empty()) return {};
    const QString name = fileNames.front();
    fileNames.pop_front();
    return name;
}

QString ScriptedDialogs::saveFileName(QWidget* parent, const QString& caption,
                                      const QString& folder, const QString& filter) {
    return openFileName(parent, caption, folder, filter);
}

int ScriptedDialogs::showModal(QDialog* dialog) {
    return onModal ? onModal(dialog) : QDialog::Rejected;
}

QStringList ScriptedDialogs::texts() const {
    QStringList t;
    for (const auto& m : messages) t << m.text;
    return t;
}

void ScriptedDialogs::whileShown(const std::function<void()>& command,
                                 const std::function<void(QDialog*)>& body) {
    onModal = [&](QDialog* d) {
        d->show();
        body(d);
        d->close();
        return 0;
    };
    command();
    onModal = nullptr;
}

namespace {
QString tooltipAt(QWidget* viewport, const QPoint& at) {
    QToolTip::hideText();  // a shown tooltip goes after a short delay
    for (int i = 0; i < 100 && QToolTip::isVisible(); ++i) QTest::qWait(10);
    QHelpEvent help(QEvent::ToolTip, at, viewport->mapToGlobal(at));
    QApplication::sendEvent(viewport, &help);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}
}  // namespace

QString tooltipOfCell(QAbstractItemView* view, int row, int column) {
    const QRect cell = view->visualRect(view->model()->index(row, column));
    return tooltipAt(view->viewport(), cell.center());
}

QString tooltipOfSection(QHeaderView* header, int section) {
    const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                    header->height() / 2);
    return tooltipAt(header->viewport(), at);
}

void typeText(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    // A key gives a whole character: both halves of a surrogate pair come in one event.
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier,
                        text.mid(i, pair ? 2 : 1));
        QApplication::sendEvent(edit, &press);
        if (pair) ++i;
    }
}

QLineEdit* openCellEditor(QAbstractItemView* view, int row, int column, CellEditorOpening how) {
    const QModelIndex index = view->model()->index(row, column);
    view->setCurrentIndex(index);
    if (how == CellEditorOpening::ByF2)
        QTest::keyClick(view, Qt::Key_F2);
    else
        view->edit(index);
    QLineEdit* editor = nullptr;
    for (auto* e : view->viewport()->findChildren<QLineEdit*>())
        if (e->isVisible()) editor = e;
    if (!editor) ADD_FAILURE() << "no cell editor opened at " << row << ", " << column;
    return editor;
}

QLineEdit* typeIntoCell(QAbstractItemView* view, int row, int column, const QString& text) {
    QLineEdit* editor = openCellEditor(view, row, column, CellEditorOpening::ByView);
    if (editor) typeText(editor, text);
    return editor;
}

void doubleClickCell(QAbstractItemView* view, int row, int column) {
    const QModelIndex index = view->model()->index(row, column);
    const QRect cell = view->visualRect(index);
    if (!cell.isValid()) {
        ADD_FAILURE() << "cell " << row << ", " << column << " is not shown";
        return;
    }
    // What a mouse sends: the first press and release, then the second press as a double click.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, cell.center());
}

}  // namespace testing_support
