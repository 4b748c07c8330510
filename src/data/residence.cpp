#include "data/residence.h"

namespace data {

const QStringList& residenceCaptions() {
    static const QStringList captions = {
        QStringLiteral("города"), QStringLiteral("области"), QStringLiteral("неизвестно"),
        QStringLiteral("иногородний"), QStringLiteral("иностранный гражд.")};
    return captions;
}

const QStringList& residenceCodes() {
    static const QStringList codes = {"0", "1", "2", "3", "4"};
    return codes;
}

const QHash<QString, QString>& residenceCaptionOfCode() {
    static const QHash<QString, QString> captions = [] {
        QHash<QString, QString> map;
        for (int i = 0; i < residenceCodes().size(); ++i)
            map.insert(residenceCodes()[i], residenceCaptions()[i]);
        return map;
    }();
    return captions;
}

}  // namespace data
