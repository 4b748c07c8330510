#include "reports/issuing.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRect>

#include "data/session.h"
#include "reports/office/office.h"
#include "ui/dialogs.h"

namespace reports {

namespace {

// The base path of the copy, or empty without an archive folder.
QString archivePath(const Session& session, const QString& kind, const QString& key) {
    if (session.documentArchive.isEmpty()) return {};
    QDir folder(session.documentArchive);
    if (!folder.exists() && !QDir().mkpath(folder.path()))
        throw office::OfficeError(
            QStringLiteral("Не удалось создать папку копий документов %1").arg(folder.path()));
    QString name = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")) +
                   QLatin1Char('_') + kind;
    if (!key.isEmpty()) name += QLatin1Char('_') + key;
    // Two documents of one kind and record within a second keep a copy each.
    QString path = folder.filePath(name);
    for (int n = 2; QFileInfo::exists(path + QStringLiteral(".pdf")); ++n)
        path = folder.filePath(name + QStringLiteral("-%1").arg(n));
    return path;
}

}  // namespace

void keepCopy(office::Spreadsheet& document, const Session& session, const QString& kind,
              const QString& key) {
    const QString path = archivePath(session, kind, key);
    if (!path.isEmpty()) document.saveCopy(path);
}

void keepCopy(office::TextDocument& document, const Session& session, const QString& kind,
              const QString& key) {
    const QString path = archivePath(session, kind, key);
    if (!path.isEmpty()) document.saveCopy(path);
}

void showAndAsk(office::Spreadsheet& sheet, QWidget* parent, const QString& question) {
    // The document comes in front with room beside it, and the box stands there: the user sees
    // what is asked about. The window manager raises the program's windows with the box, so the
    // document is brought in front of them again once the box is there.
    const QRect shown = sheet.show(ui::okBoxSize(parent, question));
    const bool ok =
        ui::dialogs().okPressedBeside(parent, question, shown, [&sheet] { sheet.raise(); });
    if (ok) {
        sheet.close();
    } else {
        // Kept by the user, it stays in front.
        sheet.raise();
        sheet.leaveOpen();
    }
}

}  // namespace reports
