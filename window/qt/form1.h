// The tool's window: drop a file on the tall box, press "Obtener firma", read the
// signature in the box below. Failures are absorbed silently. The result box only
// ever shows the signature of the name the name box shows.
#pragma once

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <string>

class FileNameBox;
class QLineEdit;
class QMimeData;
class QProgressBar;
class QPushButton;
class QTimer;
class SignJob;

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

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::string pathToSign() const;
    void nameChanged();
    void showSignature(const QString& signature);
    void showProgress();
    void setWorking(bool working);

    QProgressBar* progress_;
    QTimer* progressTimer_;
    SignJob* job_;
    bool buttonHadFocus_ = false;
    // The exact bytes of the last dropped path, used while the box still shows it:
    // a file name need not be valid text, and a box may not keep every character.
    QByteArray droppedPath_;
    QString droppedText_;
    QString signingName_;  // the name box's text when the running job started
    QString signedName_;   // the name the signature in TextSign belongs to
};
