// The check window on the offscreen platform: the verdict first, one row per
// file, "Solo problemas", and rows copied as columns.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QTableView>
#include <QtTest>

#include <filesystem>
#include <fstream>

#include "lists/signature_lines.h"
#include "sign/batch_signer.h"
#include "temp_dir.h"
#include "window/qt/check_window.h"
#include "window/qt/record_window.h"

namespace fs = std::filesystem;

class CheckWindowTest : public QObject {
    Q_OBJECT

private slots:
    void showsTheVerdictTheRowsAndTheProblems() {
        firma::testing::TempDir dir;
        const fs::path folder = dir.path();
        for (const char* name : {"same.txt", "changed.txt"}) std::ofstream(folder / name) << name;
        std::string list = std::string(firma::kWholeFolderMark) + "\n";
        for (const char* name : {"same.txt", "changed.txt"}) {
            firma::SignRequest request{firma::SignRequest::Source::file, folder / name};
            request.digest = true;
            std::size_t taken = 0;
            firma::sign_in_order<int>(
                [&]() -> std::optional<firma::BatchItem<int>> {
                    if (taken++ > 0) return std::nullopt;
                    return firma::BatchItem<int>{0, request};
                },
                [&](int, const firma::BatchResult& result) {
                    list += firma::format_line(result.accumulator, name, {}, &*result.digest);
                });
        }
        std::ofstream(folder / "lista.firmas") << list;
        std::ofstream(folder / "changed.txt") << "other";
        std::ofstream(folder / "added.txt") << "new";

        CheckWindow window((folder / "lista.firmas").string());
        window.show();
        QTRY_VERIFY_WITH_TIMEOUT(window.verdictLabel()->text().startsWith("Attention"), 20000);
        QCOMPARE(window.verdictLabel()->text(), QString("Attention: 1 changed · 0 missing · 1 new · 0 could not be read"));
        QCOMPARE(window.table()->model()->rowCount(), 3);
        window.problemsOnly()->setChecked(true);
        QCOMPARE(window.table()->model()->rowCount(), 2);
        window.table()->selectAll();
        QTest::keySequence(window.table(), QKeySequence::Copy);
        const QStringList copied = QApplication::clipboard()->text().split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(copied.size(), 3);  // the heading and the two problems
        QVERIFY(copied[1].startsWith("changed.txt\tChanged\t"));
        QVERIFY(copied[2].startsWith("added.txt\tNew\t\t"));
    }
};

QTEST_MAIN(CheckWindowTest)
#include "check_window_test.moc"
