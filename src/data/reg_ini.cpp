#include "data/reg_ini.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringDecoder>

#include "db/win1251.h"

namespace data {

RegIni readRegIni(const QString& path) {
    RegIni ini;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return ini;
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) text = db::win1251::decode(bytes);
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);

    QString section;
    for (QString line : text.split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#')) continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            section = line.mid(1, line.size() - 2).trimmed().toLower();
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0) continue;
        const QString key = line.left(eq).trimmed().toLower();
        const QString value = line.mid(eq + 1).trimmed();
        if (section == QLatin1String("options")) {
            if (key == QLatin1String("dbpath"))
                ini.dbPath = value;
            else if (key == QLatin1String("dbuser"))
                ini.dbUser = value;
            else if (key == QLatin1String("dbrole"))
                ini.dbRole = value;
        } else if (section == QLatin1String("documents")) {
            if (key == QLatin1String("archivedir")) ini.documentArchive = value;
        } else if (section == QLatin1String("register") && !value.isEmpty()) {
            if (key == QLatin1String("user"))
                ini.registerUser = value;
            else if (key == QLatin1String("password"))
                ini.registerPassword = value;
        }
    }
    return ini;
}

QString regIniPath() {
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Reg.INI"));
}

}  // namespace data
