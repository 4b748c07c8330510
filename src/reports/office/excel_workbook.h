// What LibreOffice does not tell about an Excel 97-2003 workbook or template (.xls, .xlt) loaded
// unseen: the sheet that was active when it was saved. Read from the file itself.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace office {

// The index (from 0) of the sheet that was active when the workbook was saved; none when the
// file is not an Excel 97-2003 workbook or does not say.
std::optional<int> savedActiveSheet(const QString& path);
std::optional<int> savedActiveSheet(const QByteArray& file);

}  // namespace office
