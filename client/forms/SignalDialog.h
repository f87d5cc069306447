#pragma once

#include <QFileDialog>
#include <QPointer>

class QMessageBox;

namespace telvor {

/** Where the search for an alarm signal starts: the data directory installed beside the program, else home. */
QString signalStartDirectory(const QString& applicationDir);

/**
 * "Signal suchen": the choice of the alarm signal, a WAV file. A name may be typed; one that names no
 * existing file is asked about first, without a loop of its own, and "Ja" takes it all the same.
 */
class SignalDialog final : public QFileDialog {
    Q_OBJECT

public:
    SignalDialog(const QString& startDirectory, QWidget* parent);

    void accept() override;
    /** The question about a name without a file, while it is open. */
    QMessageBox* question() const { return m_question; }

private:
    void askAbout(const QString& path);

    QPointer<QMessageBox> m_question;
};

} // namespace telvor
