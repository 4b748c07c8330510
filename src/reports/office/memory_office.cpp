#include "reports/office/memory_office.h"

#include <QFile>
#include <QFileInfo>

namespace office {

int MemorySheet::lastRow() const {
    int last = 0;
    for (auto it = cells.cbegin(); it != cells.cend(); ++it)
        if (!it.value().isEmpty()) last = std::max(last, it.key().first);
    return last;
}

namespace {

void checkCell(int row, int column) {
    if (row < 1 || column < 1)
        throw OfficeError(QStringLiteral("Нет ячейки (%1, %2).").arg(row).arg(column));
}

void checkRange(const CellRange& range) {
    checkCell(range.top, range.left);
}

class MemorySpreadsheet : public Spreadsheet {
public:
    MemorySpreadsheet(std::shared_ptr<MemorySheet> sheet, const MemoryOffice& office)
        : sheet_(std::move(sheet)), office_(office) {}
    ~MemorySpreadsheet() override {
        if (!sheet_->leftOpen) sheet_->closed = true;
    }

    void setText(int row, int column, const QString& text) override {
        checkCell(row, column);
        if (office_.failingRow != 0 && row == office_.failingRow)
            throw OfficeError(QStringLiteral("Запись в строку %1 не удалась.").arg(row));
        sheet_->cells[{row, column}] = text;
    }
    void setTexts(int row, int column, const QList<QStringList>& rows) override {
        ++sheet_->blockWrites;
        for (int r = 0; r < rows.size(); ++r)
            for (int c = 0; c < rows[r].size(); ++c) setText(row + r, column + c, rows[r][c]);
    }
    void setRuled(const CellRange& range) override {
        checkRange(range);
        sheet_->ruled << range;
    }
    void setBold(const CellRange& range) override {
        checkRange(range);
        sheet_->bold << range;
    }
    void merge(const CellRange& range) override {
        checkRange(range);
        sheet_->merged << range;
    }
    void setAlignment(const CellRange& range, Alignment alignment) override {
        checkRange(range);
        sheet_->alignments.append({range, alignment});
    }
    void autoFit() override { sheet_->autoFitted = true; }
    void selectFirstCell() override { sheet_->firstCellSelected = true; }
    void print() override {
        if (office_.printerMissing) throw OfficeError(QStringLiteral("Принтер не найден."));
        ++sheet_->printed;
    }
    QRect show(const QSize&) override {
        sheet_->shown = true;
        return {};
    }
    void raise() override {}
    void close() override { sheet_->closed = true; }
    void leaveOpen() override { sheet_->leftOpen = true; }
    void saveCopy(const QString& basePath) override {
        // Empty files stand for the copies, so that the folder shows them as the office's would.
        for (const char* extension : {".pdf", ".ods"}) {
            QFile file(basePath + QLatin1String(extension));
            if (!file.open(QIODevice::WriteOnly))
                throw OfficeError(
                    QStringLiteral("Не удалось сохранить копию %1").arg(file.fileName()));
        }
        sheet_->copies << basePath;
    }

private:
    std::shared_ptr<MemorySheet> sheet_;
    const MemoryOffice& office_;
};

class MemoryText : public TextDocument {
public:
    explicit MemoryText(std::shared_ptr<MemoryTextDocument> document) : doc_(std::move(document)) {}
    ~MemoryText() override {
        if (!doc_->leftOpen) doc_->closed = true;
    }

    void setLandscape() override { doc_->landscape = true; }
    void setFont(double points, bool bold) override {
        current().points = points;
        current().bold = bold;
        points_ = points;
        bold_ = bold;
    }
    void setCentered(bool centered) override {
        current().centered = centered;
        centered_ = centered;
    }
    void typeText(const QString& text) override {
        const QStringList parts = text.split(QLatin1Char('\r'));
        for (int i = 0; i < parts.size(); ++i) {
            if (i > 0) typeParagraph();
            current().text += parts[i];
        }
    }
    void typeParagraph() override {
        doc_->paragraphs << MemoryParagraph{{}, points_, bold_, centered_, false};
    }
    void goToEnd() override {}
    void insertPageBreak() override {
        typeParagraph();
        current().pageBreakBefore = true;
    }
    int addTable(int rows, int columns) override {
        if (rows < 1 || columns < 1)
            throw OfficeError(QStringLiteral("Таблица %1×%2 невозможна.").arg(rows).arg(columns));
        MemoryTable table;
        table.afterParagraph = int(doc_->paragraphs.size());
        for (int r = 0; r < rows; ++r) table.rows << QStringList(columns, QString());
        doc_->tables << table;
        return int(doc_->tables.size());
    }
    void setCellText(int table, int row, int column, const QString& text) override {
        MemoryTable& t = tableAt(table);
        if (row < 1 || row > t.rows.size() || column < 1 || column > t.rows[row - 1].size())
            throw OfficeError(QStringLiteral("Нет ячейки (%1, %2) в таблице %3.")
                                  .arg(row)
                                  .arg(column)
                                  .arg(table));
        t.rows[row - 1][column - 1] = text;
    }
    void addRow(int table) override {
        MemoryTable& t = tableAt(table);
        t.rows << QStringList(t.rows.first().size(), QString());
    }
    int columnCount(int table) override { return int(tableAt(table).rows.first().size()); }
    QRect show(const QSize&) override {
        doc_->shown = true;
        return {};
    }
    void raise() override {}
    void close() override { doc_->closed = true; }
    void leaveOpen() override { doc_->leftOpen = true; }
    void saveCopy(const QString& basePath) override { doc_->copies << basePath; }

private:
    MemoryParagraph& current() { return doc_->paragraphs.last(); }
    MemoryTable& tableAt(int table) {
        if (table < 1 || table > doc_->tables.size())
            throw OfficeError(QStringLiteral("Нет таблицы %1.").arg(table));
        return doc_->tables[table - 1];
    }

    std::shared_ptr<MemoryTextDocument> doc_;
    double points_ = 12;
    bool bold_ = false;
    bool centered_ = false;
};

}  // namespace

std::unique_ptr<Spreadsheet> MemoryOffice::newSpreadsheet(const QString& templatePath) {
    if (!templatePath.isEmpty() && !QFileInfo(templatePath).isFile())
        throw OfficeError(QStringLiteral("Не найден файл шаблона %1").arg(templatePath));
    auto sheet = std::make_shared<MemorySheet>();
    sheet->templatePath = templatePath;
    sheets.push_back(sheet);
    return std::make_unique<MemorySpreadsheet>(sheet, *this);
}

std::unique_ptr<TextDocument> MemoryOffice::newTextDocument() {
    auto document = std::make_shared<MemoryTextDocument>();
    textDocuments.push_back(document);
    return std::make_unique<MemoryText>(document);
}

}  // namespace office
