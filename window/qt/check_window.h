// The window that checks a list, drawn with Qt Widgets: the verdict first, in
// large words with an icon, then one row per file, sortable by each column,
// "Solo problemas" to keep the rows that are not Igual, and buttons to keep a
// report, copy rows and cancel. What it shows is ListCheck's; this class only
// draws it (the rows through a table model and Qt's sorting proxy).
#pragma once

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <QWidget>

#include "window/qt/news_pace.h"

#include "window/list_check.h"
#include "window/list_append_task.h"
#include "window/list_check_task.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTableView;

// ListCheck's rows as a table: name, state, recorded and current signature.
class CheckRowsModel : public QAbstractTableModel {
public:
    static constexpr int kSortRole = Qt::UserRole + 1;

    explicit CheckRowsModel(const ListCheck& check, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // The check holds more rows; once it has ended, the states may have
    // changed too (the rename hints): said then only, as every row's change
    // makes the proxy filter again.
    void refresh(bool ended);

private:
    const ListCheck& check_;
    int shown_ = 0;
};

// "Solo problemas": every row but the Igual ones.
class ProblemsOnly : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void setProblemsOnly(bool only);

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override;

private:
    bool only_ = false;
};

class CheckWindow : public QWidget {
public:
    // Starts checking `list` (UTF-8, as the system gives its name) at once.
    explicit CheckWindow(const std::string& list, QWidget* parent = nullptr);

    QLabel* verdictLabel() const { return verdict_; }
    QTableView* table() const { return table_; }
    QCheckBox* problemsOnly() const { return problems_; }
    // Whether the check has ended, complete, cancelled or failed.
    bool finished() const { return check_.finished(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void takeNews();
    void showVerdict();
    void saveReport();
    void copyRows();
    // Enter or a double-click on a row: the file in its folder, selected.
    void showInFolder(const QModelIndex& index);
    // "Añadir los nuevos a la lista…", once the user confirms.
    void addNewFiles();
    void appendEnded();

    std::string list_;
    ListCheck check_;
    CheckRowsModel rows_;
    ProblemsOnly filter_;
    QLabel* icon_;
    QLabel* verdict_;
    QLabel* done_;
    QTableView* table_;
    QCheckBox* problems_;
    QPushButton* report_;
    QPushButton* copy_;
    QPushButton* cancel_;
    QPushButton* add_;
    NewsPace* pace_;
    ListAppendTask append_;
    ListCheckTask task_;  // last: joined before the members above go
};
