#include "ui/one_line.h"

#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <algorithm>

namespace ui {

namespace {

bool breaksTheLine(QChar c) {
    return c == u'\n' || c == u'\r' || c == u'\t';
}

// Watches the program's widgets for line edits as they are first shown.
class OneLineEdits : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Polish)
            if (auto* edit = qobject_cast<QLineEdit*>(watched)) keepOnOneLine(edit);
        return false;
    }
};

}  // namespace

QString oneLine(const QString& text) {
    if (std::none_of(text.begin(), text.end(), breaksTheLine)) return text;
    QString line;
    line.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!breaksTheLine(c)) {
            line += c;
            continue;
        }
        line += u' ';
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    }
    return line;
}

void keepOnOneLine(QLineEdit* edit) {
    static const char* const kept = "labjournalOneLine";
    if (edit->property(kept).toBool()) return;
    edit->setProperty(kept, true);
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
        const QString line = oneLine(text);
        if (line == text) return;
        const qsizetype cursor = oneLine(text.left(edit->cursorPosition())).size();
        edit->setText(line);
        edit->setCursorPosition(int(cursor));
    });
}

void keepAllEditsOnOneLine() {
    static OneLineEdits* watcher = nullptr;
    if (watcher || !qApp) return;
    watcher = new OneLineEdits(qApp);
    qApp->installEventFilter(watcher);
}

}  // namespace ui
