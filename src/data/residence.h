// Where a patient lives: the codes stored in ISSLED.PR_LIVE and the captions the windows show.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace data {

// "города", "области", "неизвестно", "иногородний", "иностранный гражд.", in code order.
const QStringList& residenceCaptions();
// "0" to "4", the code of each caption.
const QStringList& residenceCodes();
// Code → caption, for showing a stored code.
const QHash<QString, QString>& residenceCaptionOfCode();

}  // namespace data
