#include "ui/dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QPushButton>
#include <QScreen>
#include <QTextStream>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <optional>
#include <utility>

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

namespace {

// The box with its one OK button.
void makeOkBox(QMessageBox& box, const QString& text) {
    box.setIcon(QMessageBox::Information);
    box.setWindowTitle(applicationTitle());
    box.setText(boxText(text));
    box.setStandardButtons(QMessageBox::Ok);
    // With OK alone the box would take Escape and its close box for OK; a hidden button takes
    // them instead.
    QPushButton* dismissed = box.addButton(QMessageBox::Cancel);
    dismissed->hide();
    box.setEscapeButton(dismissed);
    box.setDefaultButton(QMessageBox::Ok);
    box.adjustSize();
}

// The frame the window manager puts around a box: not there before the box is shown, it is read
// off the program's window the box belongs to, which has the same one.
QMargins windowFrame(QWidget* parent) {
    if (!parent || !parent->window()->isVisible()) return {};
    const QRect outer = parent->window()->frameGeometry();
    const QRect inner = parent->window()->geometry();
    return QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                    outer.right() - inner.right(), outer.bottom() - inner.bottom());
}

// The screen's pixels per logical pixel of the program's windows.
qreal pixelRatio() {
    return qApp->devicePixelRatio();
}

// Runs a function once, when the window manager has shown a window.
class WhenExposed : public QObject {
public:
    WhenExposed(QWindow* window, std::function<void()> run) : run_(std::move(run)) {
        window->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (run_ && event->type() == QEvent::Expose &&
            static_cast<QWindow*>(watched)->isExposed()) {
            // After the window manager is done with the box's arrival.
            QTimer::singleShot(0, this, [run = std::move(run_)] { run(); });
            run_ = nullptr;
        }
        return false;
    }

private:
    std::function<void()> run_;
};

}  // namespace

bool QtDialogs::okPressed(QWidget* parent, const QString& text) {
    QMessageBox box(parent);
    makeOkBox(box, text);
    box.exec();
    return box.clickedButton() == box.button(QMessageBox::Ok);
}

namespace {

// The size of the box for a text (its frame left out), as it is laid out when shown: a box
// lays itself out only then, so a twin of it is shown where no screen shows it.
QSize laidOutSize(QWidget* parent, const QString& text) {
    QMessageBox twin(parent);
    makeOkBox(twin, text);
    twin.setWindowModality(Qt::NonModal);
    twin.setAttribute(Qt::WA_DontShowOnScreen);
    twin.show();
    const QSize size = twin.size();
    twin.hide();
    return size;
}

}  // namespace

bool QtDialogs::okPressedBeside(QWidget* parent, const QString& text, const QRect& keepClear,
                                const std::function<void()>& shown) {
    QMessageBox box(parent);
    makeOkBox(box, text);
    std::function<void()> arrived = shown;
    if (!keepClear.isEmpty()) {
        const qreal ratio = pixelRatio();
        const QRect clear = QRectF(keepClear.x() / ratio, keepClear.y() / ratio,
                                   keepClear.width() / ratio, keepClear.height() / ratio)
                                .toAlignedRect();
        QScreen* screen = QGuiApplication::screenAt(clear.center());
        if (!screen) screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
        if (screen) {
            const QRect available = screen->availableGeometry();
            box.move(positionBeside(laidOutSize(parent, text).grownBy(windowFrame(parent)), clear,
                                    available));
            // Its own frame, once there, may differ from the main window's by a pixel or two.
            arrived = [&box, clear, available, shown] {
                const QPoint better = positionBeside(box.frameGeometry().size(), clear, available);
                if (better != box.frameGeometry().topLeft()) box.move(better);
                if (shown) shown();
            };
        }
    }
    std::optional<WhenExposed> watch;
    if (arrived) {
        box.winId();  // its window exists from now on
        watch.emplace(box.windowHandle(), arrived);
    }
    box.exec();
    return box.clickedButton() == box.button(QMessageBox::Ok);
}

QSize okBoxSize(QWidget* parent, const QString& text) {
    const QSize frame = laidOutSize(parent, text).grownBy(windowFrame(parent));
    return (QSizeF(frame) * pixelRatio()).toSize();
}

QPoint positionBeside(const QSize& frame, const QRect& keepClear, const QRect& screen) {
    // Between the box and the rectangle.
    constexpr int gap = 8;
    const auto within = [](int value, int low, int high) {
        return std::max(low, std::min(value, high));
    };
    // Along the side it stands on, the box is level with the rectangle's middle, on the screen.
    const int y = within(keepClear.center().y() - frame.height() / 2, screen.top(),
                         screen.bottom() + 1 - frame.height());
    const int x = within(keepClear.center().x() - frame.width() / 2, screen.left(),
                         screen.right() + 1 - frame.width());
    struct Side {
        QPoint beside;     // with the room it needs
        QPoint atTheEdge;  // as far from the rectangle as the screen allows
        int spare;         // the room on the screen beyond what the box needs
    };
    const Side sides[] = {{{keepClear.right() + 1 + gap, y},
                           {screen.right() + 1 - frame.width(), y},
                           screen.right() - keepClear.right() - gap - frame.width()},
                          {{keepClear.left() - gap - frame.width(), y},
                           {screen.left(), y},
                           keepClear.left() - screen.left() - gap - frame.width()},
                          {{x, keepClear.bottom() + 1 + gap},
                           {x, screen.bottom() + 1 - frame.height()},
                           screen.bottom() - keepClear.bottom() - gap - frame.height()},
                          {{x, keepClear.top() - gap - frame.height()},
                           {x, screen.top()},
                           keepClear.top() - screen.top() - gap - frame.height()}};
    for (const Side& side : sides)
        if (side.spare >= 0) return side.beside;
    const Side* most = &sides[0];
    for (const Side& side : sides)
        if (side.spare > most->spare) most = &side;
    return most->atTheEdge;
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
