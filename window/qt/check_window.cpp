#include "window/qt/check_window.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QUrl>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QMessageBox>
#include <QLocale>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <set>

#include "language/messages.h"
#include "language/translation.h"
#include "sign/signature.h"
#include "sign/system_errors.h"

namespace {

QString text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

QString signature(const std::optional<std::uint32_t>& value) {
    return value ? text(firma::format_signature(*value)) : QString();
}

}  // namespace

CheckRowsModel::CheckRowsModel(const ListCheck& check, QObject* parent) : QAbstractTableModel(parent), check_(check) {}

int CheckRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shown_;
}

int CheckRowsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 5;
}

QVariant CheckRowsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= shown_) return {};
    const CheckRow& row = check_.rows()[static_cast<std::size_t>(index.row())];
    if (role == Qt::UserRole) return static_cast<int>(row.state);
    // Times sort as times, the rest as the words shown.
    if (role == kSortRole && index.column() == 4) return QVariant::fromValue<qint64>(row.modified.value_or(-1));
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole && role != kSortRole) return {};
    switch (index.column()) {
        case 0: return text(row.name);
        case 1: return text(check_.state_text(row));
        case 2: return signature(row.recorded);
        case 3: return signature(row.current);
        default:
            return row.modified ? QLocale().toString(QDateTime::fromSecsSinceEpoch(*row.modified), QLocale::ShortFormat)
                                : QString();
    }
}

QVariant CheckRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case 0: return QString(_("Name"));
        case 1: return QString(_("State"));
        case 2: return QString(_("Recorded signature"));
        case 3: return QString(_("Current signature"));
        default: return QString(_("Modified"));
    }
}

void CheckRowsModel::refresh(bool ended) {
    const int now = static_cast<int>(check_.rows().size());
    if (now > shown_) {
        beginInsertRows({}, shown_, now - 1);
        shown_ = now;
        endInsertRows();
    }
    if (ended && shown_ > 0) emit dataChanged(index(0, 1), index(shown_ - 1, 1));
}

void ProblemsOnly::setProblemsOnly(bool only) {
    only_ = only;
    invalidateFilter();
}

bool ProblemsOnly::filterAcceptsRow(int row, const QModelIndex& parent) const {
    if (!only_) return true;
    const QModelIndex index = sourceModel()->index(row, 0, parent);
    return sourceModel()->data(index, Qt::UserRole).toInt() != static_cast<int>(FileState::same);
}

CheckWindow::CheckWindow(const std::string& list, QWidget* parent)
    : QWidget(parent),
      list_(list),
      rows_(check_),
      icon_(new QLabel(this)),
      verdict_(new QLabel(this)),
      done_(new QLabel(this)),
      table_(new QTableView(this)),
      problems_(new QCheckBox(_("Problems only"), this)),
      report_(new QPushButton(_("Save report…"), this)),
      copy_(new QPushButton(_("Copy"), this)),
      cancel_(new QPushButton(_("Cancel"), this)),
      add_(new QPushButton(_("Add the new ones to the list…"), this)),
      pace_(new NewsPace([this] { takeNews(); }, this)),
      append_([this] { QMetaObject::invokeMethod(this, &CheckWindow::appendEnded, Qt::QueuedConnection); }),
      task_([this] { pace_->arrived(); }) {
    setWindowTitle(QString(_("Check signatures")) + " - " + QFileInfo(text(list)).fileName());
    // The verdict first, in large words: what a person reads before any row.
    QFont large = verdict_->font();
    large.setPointSizeF(large.pointSizeF() * 1.5);
    large.setBold(true);
    verdict_->setFont(large);
    verdict_->setWordWrap(true);
    filter_.setSourceModel(&rows_);
    filter_.setSortLocaleAware(true);  // a heading clicked sorts names as the file manager does
    filter_.setSortRole(CheckRowsModel::kSortRole);
    table_->setModel(&filter_);
    table_->setSortingEnabled(true);
    table_->sortByColumn(-1, Qt::AscendingOrder);  // the list's order until a heading is clicked
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setWordWrap(false);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    // Rows of one line, of one height: sized once, not row by row, for lists
    // of a hundred thousand files.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    table_->verticalHeader()->hide();
    table_->setAccessibleName(_("Files"));

    auto* top = new QHBoxLayout;
    top->addWidget(icon_);
    top->addWidget(verdict_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(problems_);
    buttons->addWidget(done_, 1);
    buttons->addWidget(add_);
    buttons->addWidget(report_);
    buttons->addWidget(copy_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(table_, 1);
    layout->addLayout(buttons);
    resize(760, 520);

    connect(problems_, &QCheckBox::toggled, this, [this](bool only) { filter_.setProblemsOnly(only); });
    connect(report_, &QPushButton::clicked, this, &CheckWindow::saveReport);
    connect(copy_, &QPushButton::clicked, this, &CheckWindow::copyRows);
    connect(cancel_, &QPushButton::clicked, this, [this] { task_.cancel(); takeNews(); });
    new QShortcut(QKeySequence::Copy, table_, [this] { copyRows(); });
    connect(table_, &QTableView::activated, this, &CheckWindow::showInFolder);
    report_->setEnabled(false);
    add_->setEnabled(false);
    connect(add_, &QPushButton::clicked, this, &CheckWindow::addNewFiles);
    showVerdict();
    if (!task_.start(list_)) {  // no thread to check on
        check_.failed(firma::reason_of(std::make_error_code(std::errc::resource_unavailable_try_again)));
        showVerdict();
    }
}

void CheckWindow::closeEvent(QCloseEvent* event) {
    task_.cancel();
    event->accept();
}

void CheckWindow::takeNews() {
    const bool ended = task_.take_into(check_);
    rows_.refresh(ended);
    done_->setText(ended ? QString() : QString::fromStdString(std::to_string(task_.files_done())));
    if (ended) {
        cancel_->setEnabled(false);
        report_->setEnabled(true);
        add_->setEnabled(!check_.added_names().empty());
    }
    showVerdict();
}

void CheckWindow::showVerdict() {
    const QString said = text(check_.verdict());
    const bool changed = said != verdict_->text();
    verdict_->setText(said);
    // Screen readers announce the verdict as it changes, not only when read.
    verdict_->setAccessibleName(said);
    if (changed) {
        QAccessibleEvent event(verdict_, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
    const bool fine = check_.finished() && check_.counts().problems() == 0 && check_.counts().same > 0;
    const QStyle::StandardPixmap icon = !check_.finished() ? QStyle::SP_BrowserReload
                                        : fine              ? QStyle::SP_DialogApplyButton
                                                            : QStyle::SP_MessageBoxWarning;
    icon_->setPixmap(style()->standardIcon(icon).pixmap(48, 48));
    icon_->setAccessibleName(said);
}

void CheckWindow::saveReport() {
    const QFileInfo list(text(list_));
    const QString proposed = list.absolutePath() + "/" + list.completeBaseName() + " " +
                             QDateTime::currentDateTime().toString("yyyy-MM-dd HH.mm") + ".txt";
    const QString name = QFileDialog::getSaveFileName(this, _("Save report…"), proposed, _("Text (*.txt)"));
    if (name.isEmpty()) return;
    const std::string report =
        check_.report(list_, QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm").toStdString());
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(report.data(), static_cast<qint64>(report.size())) < 0)
        verdict_->setText(text(firma::format_message(N_("The report could not be saved: {}"), file.errorString().toStdString())));
}

// The file manager's own call shows the file selected (GNOME Files, Dolphin,
// Nemo, Caja answer it); where none does, the folder opens in whatever opens
// folders. A missing file's folder is opened all the same.
void CheckWindow::showInFolder(const QModelIndex& index) {
    const auto row = static_cast<std::size_t>(filter_.mapToSource(index).row());
    if (row >= check_.rows().size()) return;
    const QFileInfo list(text(list_));
    const QFileInfo file(list.absoluteDir().filePath(text(check_.rows()[row].name)));
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                                                       "org.freedesktop.FileManager1", "ShowItems");
    call << QStringList{QUrl::fromLocalFile(file.absoluteFilePath()).toString()} << QString();
    if (file.exists() && QDBusConnection::sessionBus().call(call, QDBus::Block, 3000).type() == QDBusMessage::ReplyMessage)
        return;
    QDesktopServices::openUrl(QUrl::fromLocalFile(file.absolutePath()));
}

// The list is changed only when asked, and only at its end: the lines it
// holds stay as they are, a changed file's recorded signature too.
void CheckWindow::addNewFiles() {
    const auto names = check_.added_names();
    const auto question = firma::counted_message(
        names.size(), "Add the new file to the list? The files already in it keep their recorded signatures, changed or not.",
        "Add the {} new files to the list? The files already in it keep their recorded signatures, changed or not.");
    if (QMessageBox::question(this, _("Add the new ones to the list…"), text(question)) != QMessageBox::Yes) return;
    add_->setEnabled(false);
    if (!append_.start(list_, names)) add_->setEnabled(true);
}

void CheckWindow::appendEnded() {
    const auto outcome = append_.outcome();
    if (!outcome) return;
    if (outcome->written)
        done_->setText(text(firma::counted_message(outcome->added, "{} file was added to the list.",
                                                   "{} files were added to the list.")));
    else
        done_->setText(text(firma::format_message(N_("Nothing was added to the list: {}"), outcome->failure)));
}

void CheckWindow::copyRows() {
    std::set<std::size_t> rows;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows())
        rows.insert(static_cast<std::size_t>(filter_.mapToSource(index).row()));
    if (rows.empty()) return;
    QApplication::clipboard()->setText(text(check_.copy({rows.begin(), rows.end()})));
}
