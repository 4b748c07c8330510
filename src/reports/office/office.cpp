#include "reports/office/office.h"

#include <algorithm>

#include "reports/office/libreoffice.h"

namespace office {

CellRange CellRange::of(int row1, int column1, int row2, int column2) {
    return CellRange{std::min(row1, row2), std::min(column1, column2), std::max(row1, row2),
                     std::max(column1, column2)};
}

namespace {
Office* installed = nullptr;
}  // namespace

Office& office() {
    return installed ? *installed : libreOffice();
}

void setOffice(Office* office) {
    installed = office;
}

}  // namespace office
