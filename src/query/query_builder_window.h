// The query builder: counts results in the register by freely chosen criteria.
#pragma once

#include <QDialog>

class QueryBuilderWindow : public QDialog {
    Q_OBJECT
public:
    explicit QueryBuilderWindow(QWidget* parent = nullptr);
};
