#include "query/query_builder_window.h"

QueryBuilderWindow::QueryBuilderWindow(QWidget* parent) : QDialog(parent) {
    setObjectName("QueryBuilderWindow");
    setWindowTitle(QStringLiteral("Создание запросов к базе данных"));
}
