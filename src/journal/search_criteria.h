// The search page's criteria, each declared once: its caption and control, where it stands on
// the page, the list it chooses from, and the line it adds to the search statement. The page
// builds, reads and clears its controls from this table, and the statement is built from it.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "data/data_source.h"

class LabData;

enum class CriterionControl {
    Text,         // a line edit
    Number,       // a line edit holding a whole number
    Date,         // a masked line edit, dd.MM.yyyy
    FixedList,    // an editable list of fixed captions
    Selector,     // a directory's list, chosen by key
    NumberRange,  // two line edits of whole numbers, both needed
};

// How a text is compared.
enum class TextUse {
    AsTyped,
    Trimmed,
    // Trimmed and written as the register writes names, so that the upper-case index matches.
    TrimmedCapitalised,
    // As typed, capitalised.
    Capitalised,
};

struct SearchCriterion {
    QString caption;  // on the page, before the control
    CriterionControl control = CriterionControl::Text;
    // The statement's line, added when the criterion is filled in; its values are bound to the
    // parameters named in params (a range's two, every other's one).
    const char* line = "";
    QStringList params;
    TextUse use = TextUse::AsTyped;
    // The names errors give the field (a range's two); the caption when empty.
    QStringList fieldNames;

    // Where it stands: a cell of the page's grid, or beside the criterion before it in the
    // same cell, after a caption of its own.
    int row = 0, column = 0;
    bool besidePrevious = false;
    QString betweenCaption;  // a range's caption between its two edits
    int width = 0;           // fixed width of a line edit, 0 for the cell's
    int maxLength = 0;       // of a text typed, 0 for no limit

    // A fixed list's captions; with codes, the statement binds the code of the caption typed
    // and any other text is no criterion.
    QStringList items;
    QStringList codes;

    // A selector's list in the data module, its key and what it shows.
    data::DataSource LabData::* list = nullptr;
    QString key;
    QStringList display;
    bool listReadOnEntry = false;  // read again each time the page is entered
    int listWidth = 0;             // minimum width of the drop-down, 0 for the control's

    // A value with at least this many characters picks out a few records of the whole
    // register (0: never), so that the period only filters them.
    int narrowsFrom = 0;

    QString fieldName(int part = 0) const {
        return fieldNames.value(part, caption);
    }
};

// Every criterion, in the order their lines stand in the statement.
const std::vector<SearchCriterion>& searchCriteria();
