// The tool's window, drawn with Qt Widgets: drop a file on the tall box, press
// "Obtener firma", read the signature in the box below. What it shows and when
// is Form1Model's; this class only turns widget events into the model's calls
// and the model's answers into widgets.
#pragma once

#include <QWidget>

#include "window/form1_model.h"

class FileNameBox;
class QLineEdit;
class QMimeData;
class QProgressBar;
class QPushButton;
class QTimer;

class Form1 : public QWidget {
    Q_OBJECT

public:
    explicit Form1(QWidget* parent = nullptr);

    FileNameBox* TextFileName;
    QPushButton* CommandSign;
    QLineEdit* TextSign;

public slots:
    // Makes the first dropped local file's path the whole text of TextFileName;
    // a drop without one empties it.
    void TextFileName_OLEDragDrop(const QMimeData* dropped);
    // Signs the file named by TextFileName off the GUI thread; the result lands in
    // TextSign, a failure leaves TextSign as it was.
    void CommandSign_Click();
    // The window was started with a file: it is shown and signed at once.
    void startWith(const QString& shown, const std::filesystem::path& path);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Form1Control focusedControl() const;
    void signingFinished();
    void showModel();
    void showProgress();

    QProgressBar* progress_;
    QTimer* progressTimer_;
    Form1Model model_;
};
