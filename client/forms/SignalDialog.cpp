#include "client/forms/SignalDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace telvor {

QString signalStartDirectory(const QString& applicationDir)
{
    const QString installed = QDir::cleanPath(applicationDir + QStringLiteral("/../share/telvor"));
    return QFileInfo(installed).isDir() ? installed : QDir::homePath();
}

SignalDialog::SignalDialog(const QString& startDirectory, QWidget* parent) : QFileDialog(parent)
{
    setObjectName(QStringLiteral("signalDialog"));
    // First of all: the other settings go to whichever dialog this option picks.
    setOption(QFileDialog::DontUseNativeDialog);
    setWindowTitle(QStringLiteral("Orska KVT GmbH"));
    setAcceptMode(QFileDialog::AcceptOpen);
    // A file that does not exist yet may be named; accept() asks about it.
    setFileMode(QFileDialog::AnyFile);
    setNameFilter(QStringLiteral("Alarmsignal (*.wav)"));
    setDirectory(startDirectory);
}

void SignalDialog::accept()
{
    const QStringList files = selectedFiles();
    // A directory (the dialog enters it) or an existing file needs no question.
    if (files.size() == 1 && !QFileInfo::exists(files.first())) {
        askAbout(files.first());
        return;
    }
    QFileDialog::accept();
}

void SignalDialog::askAbout(const QString& path)
{
    if (m_question) {
        m_question->raise();
        return;
    }
    auto* box =
        new QMessageBox(QMessageBox::Question, windowTitle(),
                        QStringLiteral("Die Datei „%1“ gibt es nicht. Soll dieser Name trotzdem verwendet werden?")
                            .arg(QFileInfo(path).fileName()),
                        QMessageBox::Yes | QMessageBox::No, this);
    box->setObjectName(QStringLiteral("signalQuestion"));
    box->setTextFormat(Qt::PlainText);
    box->button(QMessageBox::Yes)->setText(QStringLiteral("Ja"));
    box->button(QMessageBox::No)->setText(QStringLiteral("Nein"));
    box->setDefaultButton(QMessageBox::Yes);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this, box] {
        // "Nein" (or Escape) goes back to the dialog, where the name can be changed.
        if (box->clickedButton() == box->button(QMessageBox::Yes))
            QFileDialog::accept();
    });
    m_question = box;
    box->open();
}

} // namespace telvor
