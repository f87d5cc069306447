#pragma once

#include "client/core/ClientViews.h"
#include "client/core/StationConfig.h"
#include "client/forms/DirectoryLister.h"

#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <array>
#include <utility>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QModelIndex;
class QPlainTextEdit;
class QPushButton;
class QStringListModel;

namespace telvor {

class SignalDialog;

/**
 * The client's main window, which is at the same time the station's setup. It shows the values the
 * core hands it and reports every edit of the user back with the values of all controls.
 */
class telvor final : public QWidget, public SetupView, public MessageView {
    Q_OBJECT

public:
    explicit telvor(QWidget* parent = nullptr);
    /** list reads the directories of the drive, directory and file lists, on worker threads. */
    explicit telvor(ListFunction list, QWidget* parent = nullptr);
    ~telvor() override;

    /** Where edits go; null keeps them in the controls only. */
    void attach(ClientInput* input);

    void showFields(const SetupFields& fields) override;
    void setSetupVisible(bool visible) override;
    bool isSetupVisible() const override;

    /**
     * Opens a box with one OK button and returns at once; works while the window is hidden. A
     * message that comes while one is open waits until that one has been confirmed.
     */
    void showMessage(const QString& text) override;
    /** The message box on the screen now, if any. */
    QMessageBox* openMessage() const { return m_openMessage; }

    /** What the controls hold now; the display-only values are the ones last shown. */
    SetupFields fields() const;

    /** The directory whose subdirectories `arbeitsverzeichnis` lists. */
    QString arbeitsverzeichnisPath() const { return m_directory; }
    /** "Signal suchen" while it is open. */
    QPointer<SignalDialog> signalDialog() const { return m_signalDialog; }

    QLabel* BSet = nullptr;
    QLabel* Label9 = nullptr;
    QListView* File1 = nullptr;
    QLabel* Label10 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QCheckBox* CheckCom = nullptr;
    QLabel* Label7 = nullptr;
    QComboBox* Combo1 = nullptr;
    QCheckBox* Check1 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* Text1 = nullptr;
    QLineEdit* Text6 = nullptr;
    QLineEdit* Text7 = nullptr;
    QLineEdit* Text8 = nullptr;
    QCheckBox* chk_vollbild = nullptr;
    QCheckBox* alarmtestaus = nullptr;
    QLabel* Label8 = nullptr;
    QLineEdit* tastenver = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Text3 = nullptr;
    QPlainTextEdit* meldungtxt = nullptr;
    QComboBox* Drive1 = nullptr;
    QListView* arbeitsverzeichnis = nullptr;
    QCheckBox* logfile = nullptr;
    QLabel* Label4 = nullptr;
    QPushButton* Command2 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Text4 = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* Text5 = nullptr;
    QPushButton* config_PendraSaver = nullptr;
    QPushButton* speichern = nullptr;
    QLineEdit* Upfad = nullptr;

protected:
    /** The frame's close button only hides the window: the client goes on running in the tray. */
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void connectControls();
    void fillDrives();
    void setFilePattern(const QString& pattern);
    void showDirectory(const QString& path);
    QStringList wayUp() const;
    void directoriesListed(const QStringList& names);
    QString directoryOf(const QModelIndex& index) const;

    void openNextMessage();
    void Drive1_Change(int index);
    void arbeitsverzeichnis_DblClick(const QModelIndex& index);
    void arbeitsverzeichnis_Change(const QString& path);
    void Command2_Click();
    /** "Setup beenden" and "Bildschirmschoner initialisieren": the edits first, then the action. */
    void reportThen(void (ClientInput::*action)());
    /** The text and check boxes with the field each one shows. */
    std::array<std::pair<QLineEdit*, QString SetupFields::*>, 8> textBoxes() const;
    std::array<std::pair<QCheckBox*, int SetupFields::*>, 5> checkBoxes() const;
    void checkBox_Click(QCheckBox* box);
    void edited();

    DirectoryLister* m_directoryLister = nullptr;
    DirectoryLister* m_fileLister = nullptr;
    QStringListModel* m_directories = nullptr;
    QStringListModel* m_files = nullptr;
    QString m_directory;     ///< the directory list's directory
    QString m_fileDirectory; ///< the file list's directory, the current one at the start
    QStringList m_fileFilters;
    QPointer<SignalDialog> m_signalDialog;
    ClientInput* m_input = nullptr;
    QStringList m_waitingMessages;
    QPointer<QMessageBox> m_openMessage;
    SetupFields m_shown;
    SetupFields m_lastReported;
    bool m_showing = false;
};

} // namespace telvor
