// One-line fields hold one line: a line break or a tab pasted into any line edit of the program
// becomes one blank, so what is stored is what the field shows.
#pragma once

#include <QString>

class QLineEdit;

namespace ui {

// The text with every line break (CR LF, LF or CR) and every tab made one blank.
QString oneLine(const QString& text);
// Makes an edit turn what is pasted or dropped into it into one line as it arrives.
void keepOnOneLine(QLineEdit* edit);
// Every line edit of the program, made now or later, keeps to one line. Once per program.
void keepAllEditsOnOneLine();

}  // namespace ui
