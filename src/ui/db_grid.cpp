#include "ui/db_grid.h"

#include <QDateTime>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QToolTip>

#include "ui/dialogs.h"

namespace ui {

namespace {

// Where a cell editor stands: the row and column it was opened on.
const char* const kEditorRow = "dbGridRow";
const char* const kEditorColumn = "dbGridColumn";

// The cell editors of a text field take no more characters than its column holds, as the bound
// edits do: what is typed is what is stored, never cut afterwards.
class CellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (!editor) return editor;
        editor->setProperty(kEditorRow, index.row());
        editor->setProperty(kEditorColumn, index.column());
        const auto* model = qobject_cast<const DatasetModel*>(index.model());
        auto* line = qobject_cast<QLineEdit*>(editor);
        const int f = model ? model->fieldIndexOfColumn(index.column()) : -1;
        if (line && f >= 0 && model->dataset()) {
            const data::Field& field = model->dataset()->fields()[f];
            if (field.isText() && field.size > 0) line->setMaxLength(field.size);
        }
        return editor;
    }
};

// A title its header section cuts (a narrow section, a word longer than the section is wide)
// shows whole as the section's tooltip.
class CutTitleTips : public QObject {
public:
    explicit CutTitleTips(QHeaderView* header) : QObject(header), header_(header) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        // The type first: the filter also sees the events of the header's own destruction.
        if (event->type() != QEvent::ToolTip || watched != header_->viewport() ||
            !header_->model())
            return false;
        const auto* help = static_cast<QHelpEvent*>(event);
        const int section = header_->logicalIndexAt(help->pos());
        const QString title =
            section < 0 ? QString()
                        : header_->model()
                              ->headerData(section, header_->orientation(), Qt::DisplayRole)
                              .toString();
        const QRect rect(header_->sectionViewportPosition(section), 0,
                         header_->sectionSize(section), header_->height());
        if (!title.isEmpty() && cut(title, rect))
            QToolTip::showText(help->globalPos(), title, header_->viewport(), rect);
        else
            QToolTip::hideText();
        return true;
    }

private:
    bool cut(const QString& title, const QRect& section) const {
        const int margin = header_->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header_);
        const QRect room = section.adjusted(margin, margin, -margin, -margin);
        const QFontMetrics metrics(header_->font());
        int width = metrics.horizontalAdvance(title);
        if (header_->defaultAlignment() & Qt::TextWordWrap) {
            const QRect needed = metrics.boundingRect(QRect(0, 0, room.width(), 100000),
                                                      Qt::TextWordWrap | Qt::AlignCenter, title);
            if (needed.height() > room.height()) return true;
            width = needed.width();
        }
        // The title stands in the middle of its section, which may reach past the grid's edge.
        const int left = room.left() + (room.width() - width) / 2;
        return width > room.width() || left < 0 || left + width > header_->viewport()->width();
    }

    QHeaderView* header_;
};

}  // namespace

DbGrid::DbGrid(QWidget* parent) : QTableView(parent) {
    horizontalHeader()->viewport()->installEventFilter(new CutTitleTips(horizontalHeader()));
    setItemDelegate(new CellDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this] {
        titleWidthsChanged_ = true;
        if (model_) fitHeaderHeight();
    });
}

void DbGrid::setDataSource(data::DataSource* source) {
    delete model_;
    model_ = new DatasetModel(source, this);
    setModel(model_);
    // While rows come and go the view shifts its current row by itself; that shift must not
    // move the dataset (it would abandon a row being inserted). The view follows the dataset.
    auto structureChanging = [this] { syncing_ = true; };
    auto structureChanged = [this] {
        syncing_ = false;
        if (model_->dataset()) followDataset(model_->dataset()->currentRow());
    };
    connect(model_, &QAbstractItemModel::rowsAboutToBeInserted, this, structureChanging);
    connect(model_, &QAbstractItemModel::rowsAboutToBeRemoved, this, structureChanging);
    connect(model_, &QAbstractItemModel::modelAboutToBeReset, this, structureChanging);
    connect(model_, &QAbstractItemModel::rowsInserted, this, structureChanged);
    connect(model_, &QAbstractItemModel::rowsRemoved, this, structureChanged);
    connect(model_, &QAbstractItemModel::modelReset, this, [this, structureChanged] {
        applyWidths();
        structureChanged();
    });
    connect(source, &data::DataSource::dataChanged, this, [this] {
        if (model_->dataset()) followDataset(model_->dataset()->currentRow());
    });
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (syncing_ || !current.isValid() || !model_->dataset()) return;
                guarded(this, [&] { model_->dataset()->moveTo(current.row()); });
            });
    // The row shown highlighted is the current one, the one every command acts on: a mouse
    // release over another row after the rows were read again must not highlight that one.
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const QModelIndex current = currentIndex();
        if (!current.isValid() || selectionMode() != QAbstractItemView::SingleSelection) return;
        const QModelIndexList selected = selectionModel()->selectedRows();
        if (selected.size() == 1 && selected.front().row() == current.row()) return;
        selectionModel()->select(current, QItemSelectionModel::ClearAndSelect |
                                              QItemSelectionModel::Rows);
    });
    applyWidths();
}

void DbGrid::setColumns(const QList<GridColumn>& columns) {
    model_->setColumns(columns);
    applyWidths();
}

void DbGrid::setColumnVisible(int column, bool visible) {
    model_->setColumnVisible(column, visible);
    setColumnHidden(column, !visible);
}

namespace {
// Column widths in pixels are given for the small font the laboratory's screens were laid out
// in; an average character of that font is this wide.
constexpr int kLayoutCharWidth = 5;
}  // namespace

void DbGrid::applyWidths() {
    if (!model_) return;
    const int charWidth = fontMetrics().averageCharWidth();
    const QFontMetrics titleMetrics(horizontalHeader()->font());
    const bool wrapsTitles = horizontalHeader()->defaultAlignment() & Qt::TextWordWrap;
    for (int c = 0; c < model_->columnCount(); ++c) {
        const GridColumn& column = model_->columns()[c];
        int width = column.width;
        const int f = model_->fieldIndexOfColumn(c);
        if (width <= 0 && f >= 0)
            width = std::clamp(model_->dataset()->fields()[f].effectiveDisplayWidth(), 4, 64) *
                        charWidth +
                    8;
        else if (width > 0)
            width = width * std::max(charWidth, kLayoutCharWidth) / kLayoutCharWidth;
        // Every title and a whole date stay readable whatever the font: a wrapped title needs
        // room for its longest word.
        if (width > 0) {
            const QString title = model_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
            int needed = 0;
            if (wrapsTitles) {
                for (const QString& word : title.split(u' ', Qt::SkipEmptyParts))
                    needed = std::max(needed, int(titleMetrics.horizontalAdvance(word)));
            } else {
                needed = titleMetrics.horizontalAdvance(title);
            }
            width = std::max(width, needed + 2 * headerMargin() + 8);
        }
        if (width > 0 && f >= 0 && model_->dataset()->fields()[f].type == data::FieldType::Date)
            width =
                std::max(width, fontMetrics().horizontalAdvance(QStringLiteral("00.00.0000")) + 16);
        // Sections keep their sizes across a reopening; only what differs is set.
        const bool sized = horizontalHeader()->sectionResizeMode(c) == QHeaderView::Interactive;
        if (sized && width > 0 && columnWidth(c) != width && !isColumnHidden(c))
            setColumnWidth(c, width);
        if (isColumnHidden(c) == column.visible) setColumnHidden(c, !column.visible);
    }
    fitHeaderHeight();
}

int DbGrid::headerMargin() const {
    return style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, horizontalHeader());
}

void DbGrid::fitHeaderHeight() {
    // Wrapped titles get the lines they need at their column's width.
    QHeaderView* header = horizontalHeader();
    if (!(header->defaultAlignment() & Qt::TextWordWrap)) return;
    // Laying out wrapped text is dear: it is done again only when a title or a width changed.
    QStringList titles;
    for (int c = 0; c < model_->columnCount(); ++c)
        titles << (isColumnHidden(c)
                       ? QString()
                       : model_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
    if (titles == fittedTitles_ && !titleWidthsChanged_) return;
    fittedTitles_ = titles;
    titleWidthsChanged_ = false;
    const QFontMetrics metrics(header->font());
    int height = metrics.height();
    for (int c = 0; c < int(titles.size()); ++c) {
        if (titles[c].isEmpty()) continue;
        const QRect box(0, 0, std::max(10, columnWidth(c) - 2 * headerMargin() - 4), 1000);
        height = std::max(height, metrics.boundingRect(box, Qt::TextWordWrap, titles[c]).height());
    }
    header->setMinimumHeight(height + 8);
}

bool DbGrid::commitEditor() {
    if (state() != QAbstractItemView::EditingState || !model_) return true;
    // The editors a view opens are children of its viewport.
    for (QWidget* editor : viewport()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!editor->isVisible()) continue;
        model_->takeRefusedEdit();
        commitData(editor);
        if (model_->takeRefusedEdit()) {
            // The refusal was shown; the cell stays open for correction, with what is stored, or
            // with what was typed when only some of its characters cannot be stored.
            refusedCell_.reset();
            editor->setFocus();
            return false;
        }
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
    return true;
}

void DbGrid::commitData(QWidget* editor) {
    auto* line = qobject_cast<QLineEdit*>(editor);
    const QString typed = line ? line->text() : QString();
    const QVariant row = editor->property(kEditorRow);
    const QVariant column = editor->property(kEditorColumn);
    if (model_) model_->takeUnencodableEdit();
    QTableView::commitData(editor);
    if (!model_ || !line || !model_->takeUnencodableEdit()) return;
    // Cancelling the refused change showed the stored value in the editor: the typing goes back.
    line->setText(typed);
    refusedCell_ = QPersistentModelIndex(model_->index(row.toInt(), column.toInt()));
}

void DbGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    // A refused cell stays open where it is (Enter, Tab); when the user went to another cell the
    // editor closes as usual, the refusal having been shown.
    const std::optional<QPersistentModelIndex> refused = std::exchange(refusedCell_, std::nullopt);
    if (refused && refused->isValid() && *refused == currentIndex() && editor->isVisible()) {
        editor->setFocus();
        return;
    }
    QTableView::closeEditor(editor, hint);
}

void DbGrid::setIncrementalSearch(const QString& field) {
    searchField_ = field;
    setEditTriggers(editTriggers() & ~QAbstractItemView::AnyKeyPressed);
}

bool DbGrid::searchKey(QKeyEvent* event) {
    data::Dataset* d = model_ ? model_->dataset() : nullptr;
    if (searchField_.isEmpty() || !d || !d->isActive() ||
        state() == QAbstractItemView::EditingState)
        return false;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (editTriggers() == QAbstractItemView::NoEditTriggers) return false;
        if (currentIndex().isValid()) edit(currentIndex());
        return true;
    }
    const QString typed = event->text();
    if (typed.isEmpty() || !typed.at(0).isPrint() ||
        (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    // A pause starts a new search, as in a list box.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - lastSearchKey_ > 1500) searchText_.clear();
    lastSearchKey_ = now;
    searchText_ += typed;
    guarded(this, [&] {
        d->locate(searchField_, searchText_, data::LocatePartialKey | data::LocateCaseInsensitive);
    });
    return true;
}

bool DbGrid::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip || !model_) return QTableView::viewportEvent(event);
    auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = indexAt(help->pos());
    const QString text = index.isValid() ? index.data(Qt::DisplayRole).toString() : QString();
    if (text.isEmpty()) {
        QToolTip::hideText();
        return true;
    }
    // The cell's own font (a grid may show its texts bold) against the room the cell gives.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    const QVariant font = index.data(Qt::FontRole);
    if (font.canConvert<QFont>()) option.font = font.value<QFont>();
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, &option, this) + 1;
    const QRect box = option.rect.adjusted(margin, 0, -margin, 0);
    const int advance = QFontMetrics(option.font).horizontalAdvance(text);
    // Where the text stands in its cell: a cell partly past the grid's edge cuts it there too.
    const QVariant stored = index.data(Qt::TextAlignmentRole);
    const Qt::Alignment alignment = QStyle::visualAlignment(
        layoutDirection(), stored.metaType() == QMetaType::fromType<Qt::Alignment>()
                               ? stored.value<Qt::Alignment>()
                               : Qt::Alignment(stored.toInt()));
    int left = box.left();
    if (alignment & Qt::AlignRight)
        left = box.right() + 1 - advance;
    else if (alignment & Qt::AlignHCenter)
        left = box.left() + (box.width() - advance) / 2;
    const bool cut = advance > box.width() || left < 0 || left + advance > viewport()->width();
    if (cut)
        QToolTip::showText(help->globalPos(), text, viewport(),
                           option.rect.intersected(viewport()->rect()));
    else
        QToolTip::hideText();
    return true;
}

void DbGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    const bool onRow = indexAt(event->position().toPoint()).isValid();
    QTableView::mouseDoubleClickEvent(event);
    if (!onRow && event->button() == Qt::LeftButton) emit doubleClickedOutsideRows();
}

void DbGrid::followDataset(int row) {
    if (row < 0 || row >= model_->rowCount()) return;
    if (currentIndex().row() == row) return;
    syncing_ = true;
    const int column = currentIndex().isValid() ? currentIndex().column() : 0;
    setCurrentIndex(model_->index(row, std::max(0, column)));
    syncing_ = false;
}

}  // namespace ui

namespace ui {

void DbGrid::keyPressEvent(QKeyEvent* event) {
    if (searchKey(event)) return;
    data::Dataset* d = model_ ? model_->dataset() : nullptr;
    if (rowKeys_ && d && d->isActive() && state() != QAbstractItemView::EditingState) {
        if (event->key() == Qt::Key_Insert && event->modifiers() == Qt::NoModifier) {
            guarded(this, [&] {
                if (commitEditors(window())) d->insert();
            });
            return;
        }
        if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::ControlModifier) {
            if (!d->isEmpty() && confirm(this, QStringLiteral("Удалить запись?")))
                guarded(this, [&] { d->remove(); });
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

}  // namespace ui

namespace ui {

GridFooter::GridFooter(DbGrid* grid, QWidget* parent) : QWidget(parent), grid_(grid) {
    setFixedHeight(grid->verticalHeader()->defaultSectionSize() + 2);
    auto repaint = [this] { update(); };
    connect(grid->horizontalScrollBar(), &QScrollBar::valueChanged, this, repaint);
    connect(grid->horizontalHeader(), &QHeaderView::sectionResized, this, repaint);
    connect(grid->horizontalHeader(), &QHeaderView::sectionMoved, this, repaint);
    connect(grid->horizontalHeader(), &QHeaderView::geometriesChanged, this, repaint);
}

void GridFooter::setText(int column, const QString& text, Qt::Alignment alignment) {
    cells_.insert(column, Cell{text, alignment});
    update();
}

void GridFooter::setColors(const QColor& background, const QColor& text) {
    background_ = background;
    textColor_ = text;
    update();
}

void GridFooter::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), background_.isValid() ? background_ : palette().window().color());
    painter.setFont(font());
    const QPen line(palette().mid().color());
    painter.setPen(line);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    // The grid's viewport, where its columns are, in this row's coordinates.
    const int left =
        grid_->viewport()->mapTo(window(), QPoint(0, 0)).x() - mapTo(window(), QPoint(0, 0)).x();
    const QHeaderView* header = grid_->horizontalHeader();
    painter.setClipRect(QRect(left, 0, width() - left, height()));
    for (int c = 0; c < header->count(); ++c) {
        if (header->isSectionHidden(c)) continue;
        const QRect cell(left + header->sectionViewportPosition(c), 0, header->sectionSize(c),
                         height());
        if (cell.right() < left || cell.left() > width()) continue;
        painter.setPen(line);
        painter.drawLine(cell.topRight(), cell.bottomRight());
        const auto found = cells_.constFind(c);
        if (found == cells_.constEnd()) continue;
        painter.setPen(textColor_.isValid() ? textColor_ : palette().windowText().color());
        painter.drawText(cell.adjusted(3, 0, -3, 0), int(found->alignment), found->text);
    }
}

}  // namespace ui
