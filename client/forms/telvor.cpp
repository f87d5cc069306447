#include "client/forms/telvor.h"

#include "client/forms/MountPoints.h"
#include "client/forms/SignalDialog.h"
#include "common/Twips.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringListModel>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTimer>

namespace telvor {

namespace {

/** A push button whose caption wraps onto a second line when the button is too narrow for one. */
class WrappingButton final : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QStylePainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        const QString caption = option.text;
        option.text.clear();
        painter.drawControl(QStyle::CE_PushButton, option);
        const QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
        painter.drawItemText(area, Qt::AlignCenter | Qt::TextWordWrap, option.palette, isEnabled(), caption,
                             QPalette::ButtonText);
    }
};

/** The list's patterns for a file pattern such as "*.wav;*.mp3": "X.*" also matches X without extension. */
QStringList nameFilters(const QString& pattern)
{
    QStringList filters;
    for (const QString& part : pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString item = part.trimmed();
        if (item.isEmpty())
            continue;
        filters << item;
        if (item.endsWith(QLatin1String(".*")))
            filters << item.chopped(2);
    }
    if (filters.isEmpty())
        filters << QStringLiteral("*");
    filters.removeDuplicates();
    return filters;
}

/** The stored state of a check box: 0 clear, 1 ticked, 2 grey (Qt counts grey as 1 and ticked as 2). */
int stateOf(const QCheckBox* box)
{
    switch (box->checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    case Qt::Unchecked:
        break;
    }
    return 0;
}

// Setting a box to the text it shows already would move its cursor to the end and drop its
// selection, under the hands of someone typing there.
void setText(QLineEdit* box, const QString& text)
{
    if (box->text() != text)
        box->setText(text);
}

void setCheckState(QCheckBox* box, int state)
{
    if (stateOf(box) == state)
        return;
    // Grey can only be shown by a box that allows three states; the user's clicks still toggle between two.
    box->setTristate(state == 2);
    box->setCheckState(state == 2 ? Qt::PartiallyChecked : state == 1 ? Qt::Checked : Qt::Unchecked);
}

/** The parent of a clean absolute path, found without asking the file system. */
QString parentOf(const QString& path)
{
    return QDir::cleanPath(path + QStringLiteral("/.."));
}

} // namespace

telvor::telvor(QWidget* parent) : telvor(listEntries, parent)
{
}

telvor::telvor(ListFunction list, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("telvor"));
    setFixedSize(8175 / 15, 8520 / 15);

    // The positions are fixed pixels, so the text must be of the size the layout was drawn for.
    QFont formFont = font();
    formFont.setFamilies(
        {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("Helvetica"), formFont.family()});
    formFont.setPixelSize(11);
    setFont(formFont);

    m_directoryLister = new DirectoryLister(list, 4, this);
    m_fileLister = new DirectoryLister(std::move(list), 4, this);
    createControls();
    connectControls();
    fillDrives();
    setFilePattern(QString());
    m_lastReported = fields();
}

telvor::~telvor() = default;

void telvor::createControls()
{
    const auto place = [this](QWidget* control, const char* name, const QRect& rect, QWidget* parent) {
        control->setParent(parent ? parent : this);
        control->setObjectName(QLatin1String(name));
        control->setGeometry(rect);
        return control;
    };
    const auto label = [&](const char* name, const QString& text, const QRect& rect, QWidget* parent = nullptr) {
        auto* control = new QLabel(text);
        place(control, name, rect, parent);
        control->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        control->setWordWrap(true);
        // Labels overlap the controls they name; clicks must reach those controls.
        control->setAttribute(Qt::WA_TransparentForMouseEvents);
        return control;
    };
    const auto checkBox = [&](const char* name, const QString& text, const QRect& rect, QWidget* parent = nullptr) {
        auto* control = new QCheckBox(text);
        place(control, name, rect, parent);
        return control;
    };
    const auto textBox = [&](const char* name, const QRect& rect) {
        auto* control = new QLineEdit;
        place(control, name, rect, nullptr);
        return control;
    };
    const auto button = [&](const char* name, const QString& text, const QRect& rect) {
        QPushButton* control = new WrappingButton(text);
        place(control, name, rect, nullptr);
        control->setAutoDefault(false);
        return control;
    };
    const auto bold = [](QWidget* control) {
        QFont boldFont = control->font();
        boldFont.setBold(true);
        control->setFont(boldFont);
    };

    BSet = label("BSet", QStringLiteral("Setup"), twips(120, 120, 2775, 375));
    bold(BSet);
    Label9 = label("Label9", QStringLiteral("V.3.7.1"), twips(3000, 120, 855, 255));

    File1 = new QListView;
    place(File1, "File1", twips(5640, 120, 1815, 285), nullptr);
    m_files = new QStringListModel(this);
    File1->setModel(m_files);
    File1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    File1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_fileDirectory = QDir::currentPath();

    Label10 = label("Label10", QStringLiteral("Quorvel"), twips(120, 600, 5535, 495));
    bold(Label10);

    Frame1 = new QGroupBox(QStringLiteral("Comm Port"));
    place(Frame1, "Frame1", twips(120, 1200, 2055, 1215), nullptr);
    // The caption sits on the frame's top line, so that the check box below it stays clear of the line.
    Frame1->setStyleSheet(QStringLiteral("QGroupBox#Frame1 { border: 1px solid palette(mid); margin-top: 7px; }"
                                         "QGroupBox#Frame1::title { subcontrol-origin: margin; left: 7px; "
                                         "padding: 0 2px; }"));
    CheckCom = checkBox("CheckCom", QStringLiteral("Deaktivieren"), twips(240, 240, 1455, 255), Frame1);
    Label7 = label("Label7", QStringLiteral("Port:"), twips(240, 720, 615, 255), Frame1);
    // A style sheet resolves fonts anew; the frame and its controls keep the form's.
    for (QWidget* control :
         {static_cast<QWidget*>(Frame1), static_cast<QWidget*>(CheckCom), static_cast<QWidget*>(Label7)})
        control->setFont(font());

    // The port box lies over the frame, beside "Port:", but belongs to the window.
    Combo1 = new QComboBox;
    place(Combo1, "Combo1", twips(1080, 1920, 735, 345), nullptr);
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    for (int port = 1; port <= 9; ++port)
        Combo1->addItem(QString::number(port));
    Combo1->setEditText(QStringLiteral("1"));
    Combo1->raise();

    Check1 = checkBox("Check1", QStringLiteral("Alarm empfang aus !"), twips(4800, 1080, 2055, 255));
    Label3 = label("Label3", QStringLiteral("Alarmtext :"), twips(2640, 1200, 4335, 375));
    Text1 = textBox("Text1", twips(2640, 1440, 4335, 315));
    Text6 = textBox("Text6", twips(2640, 1800, 4335, 315));
    Text7 = textBox("Text7", twips(2640, 2160, 4335, 315));
    Text8 = textBox("Text8", twips(2640, 2520, 4335, 315));
    chk_vollbild = checkBox("chk_vollbild", QStringLiteral("Anzeige als Vollbild"), twips(2640, 2880, 2055, 255));
    alarmtestaus = checkBox("alarmtestaus", QStringLiteral("Tastenfunktion ausschalten"), twips(240, 3240, 2655, 255));
    Label8 = label("Label8", QStringLiteral("Tastenverzögerung in ms (250):"), twips(3120, 3240, 2775, 255));
    tastenver = textBox("tastenver", twips(6120, 3240, 855, 330));
    tastenver->setText(QStringLiteral("120"));
    Label1 = label("Label1", QStringLiteral("Datenaustauschverzeichniss (Server):"), twips(240, 3600, 3495, 255));
    Text3 = textBox("Text3", twips(240, 3840, 3615, 375));

    // Shows the path warning and the latest log line; nothing the user types here would be kept.
    meldungtxt = new QPlainTextEdit;
    place(meldungtxt, "meldungtxt", twips(4080, 3840, 3615, 735), nullptr);
    meldungtxt->setReadOnly(true);
    QPalette warning = meldungtxt->palette();
    warning.setColor(QPalette::Base, warning.color(QPalette::Window));
    warning.setColor(QPalette::Text, Qt::red);
    meldungtxt->setPalette(warning);

    Drive1 = new QComboBox;
    place(Drive1, "Drive1", twips(240, 4200, 3615, 345), nullptr);

    arbeitsverzeichnis = new QListView;
    place(arbeitsverzeichnis, "arbeitsverzeichnis", twips(240, 4560, 3615, 855), nullptr);
    m_directories = new QStringListModel(this);
    arbeitsverzeichnis->setModel(m_directories);
    arbeitsverzeichnis->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Three rows fit; a long name may be cut, its full path still goes into the directory box.
    arbeitsverzeichnis->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    logfile = checkBox("logfile", QStringLiteral("Logfile aktive"), twips(4080, 4920, 3615, 375));
    Label4 = label("Label4", QStringLiteral("Aktuelles akustisches Signal :"), twips(240, 5760, 6855, 255));
    Command2 = button("Command2", QStringLiteral("Signal suchen"), twips(240, 6120, 1215, 495));

    Label2 = label("Label2", QString(), twips(5400, 6120, 2175, 615));
    bold(Label2);
    QPalette validation = Label2->palette();
    validation.setColor(QPalette::WindowText, QColor(192, 0, 0));
    Label2->setPalette(validation);

    Text4 = textBox("Text4", twips(1560, 6240, 3615, 375));
    Label5 = label("Label5", QStringLiteral("ID :"), twips(360, 6960, 495, 255));
    Text5 = textBox("Text5", twips(720, 6960, 615, 330));
    config_PendraSaver =
        button("config_PendraSaver", QStringLiteral("Bildschirmschoner initialisieren"), twips(4080, 6960, 1815, 495));
    speichern = button("speichern", QStringLiteral("Setup beenden"), twips(6480, 6960, 1215, 495));

    // Shows the directory of the configuration file; it is informative only.
    Upfad = textBox("Upfad", twips(600, 7560, 6135, 375));
    Upfad->setReadOnly(true);
}

void telvor::connectControls()
{
    for (QLineEdit* box : {Text1, Text6, Text7, Text8, tastenver, Text3, Text4, Text5})
        connect(box, &QLineEdit::textEdited, this, &telvor::edited);
    connect(Combo1->lineEdit(), &QLineEdit::textEdited, this, &telvor::edited);
    connect(Combo1, &QComboBox::textActivated, this, &telvor::edited);
    for (QCheckBox* box : {CheckCom, Check1, chk_vollbild, alarmtestaus, logfile})
        connect(box, &QCheckBox::clicked, this, [this, box] { checkBox_Click(box); });

    connect(Drive1, &QComboBox::activated, this, &telvor::Drive1_Change);
    // A click only selects; a double click or Enter goes into the directory.
    connect(arbeitsverzeichnis, &QListView::activated, this, &telvor::arbeitsverzeichnis_DblClick);
    connect(m_directoryLister, &DirectoryLister::listed, this,
            [this](const QString&, const QStringList& names) { directoriesListed(names); });
    connect(m_fileLister, &DirectoryLister::listed, this,
            [this](const QString&, const QStringList& names) { m_files->setStringList(names); });

    connect(Command2, &QPushButton::clicked, this, &telvor::Command2_Click);
    connect(speichern, &QPushButton::clicked, this, [this] { reportThen(&ClientInput::speichern_Click); });
    connect(config_PendraSaver, &QPushButton::clicked, this,
            [this] { reportThen(&ClientInput::config_PendraSaver_Click); });
}

void telvor::fillDrives()
{
    // "/" always leads the list, so that every path of the machine can be reached from it.
    const QStringList roots = currentMountPoints();
    Drive1->addItems(roots);
    // The list starts where the process is, which is no choice of the user's: Text3 keeps its value.
    showDirectory(QDir::currentPath());
}

void telvor::attach(ClientInput* input)
{
    m_input = input;
}

void telvor::showFields(const SetupFields& shown)
{
    // Only what differs is set: an event-log line arriving in meldungtxt must leave alone the
    // cursor and selection of a box the user is typing in.
    m_showing = true;
    setWindowTitle(shown.caption);
    Label10->setText(shown.Label10);
    for (const auto& [box, value] : textBoxes())
        setText(box, shown.*value);
    if (Combo1->currentText() != shown.Combo1)
        Combo1->setEditText(shown.Combo1);
    if (meldungtxt->toPlainText() != shown.meldungtxt)
        meldungtxt->setPlainText(shown.meldungtxt);
    Label2->setText(shown.Label2);
    setText(Upfad, shown.Upfad);
    for (const auto& [box, value] : checkBoxes())
        setCheckState(box, shown.*value);
    setFilePattern(shown.File1Pattern);
    m_shown = shown;
    m_showing = false;
    m_lastReported = fields();
}

void telvor::setFilePattern(const QString& pattern)
{
    const QStringList filters = nameFilters(pattern);
    if (filters == m_fileFilters)
        return;
    m_fileFilters = filters;
    m_fileLister->request({m_fileDirectory, QDir::Files, filters});
}

SetupFields telvor::fields() const
{
    SetupFields current = m_shown;
    for (const auto& [box, value] : textBoxes())
        current.*value = box->text();
    current.Combo1 = Combo1->currentText();
    for (const auto& [box, value] : checkBoxes())
        current.*value = stateOf(box);
    return current;
}

std::array<std::pair<QLineEdit*, QString SetupFields::*>, 8> telvor::textBoxes() const
{
    return {{{Text1, &SetupFields::Text1},
             {Text6, &SetupFields::Text6},
             {Text7, &SetupFields::Text7},
             {Text8, &SetupFields::Text8},
             {Text3, &SetupFields::Text3},
             {Text4, &SetupFields::Text4},
             {Text5, &SetupFields::Text5},
             {tastenver, &SetupFields::tastenver}}};
}

std::array<std::pair<QCheckBox*, int SetupFields::*>, 5> telvor::checkBoxes() const
{
    return {{{CheckCom, &SetupFields::CheckCom},
             {Check1, &SetupFields::Check1},
             {chk_vollbild, &SetupFields::chk_vollbild},
             {alarmtestaus, &SetupFields::alarmtestaus},
             {logfile, &SetupFields::logfile}}};
}

void telvor::setSetupVisible(bool visible)
{
    if (visible) {
        showNormal();
        raise();
        activateWindow();
    } else {
        hide();
    }
}

bool telvor::isSetupVisible() const
{
    return isVisible();
}

void telvor::showMessage(const QString& text)
{
    m_waitingMessages.append(text);
    if (!m_openMessage)
        openNextMessage();
}

void telvor::openNextMessage()
{
    if (m_waitingMessages.isEmpty())
        return;
    // No parent: the loader reports while the window may still be hidden. The box never waits in a
    // loop of its own: the station goes on polling and flashing while it is open.
    auto* box =
        new QMessageBox(QMessageBox::Warning, QStringLiteral("telvor"), m_waitingMessages.takeFirst(), QMessageBox::Ok);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setAttribute(Qt::WA_QuitOnClose, false);
    connect(box, &QMessageBox::finished, this, [this] {
        m_openMessage = nullptr;
        openNextMessage();
    });
    m_openMessage = box;
    // Opened once the current handler is over: the loader shows the setup window (and the button
    // test) right after its message, and the message must come on top of them, not behind.
    QTimer::singleShot(0, box, [box] { box->open(); });
}

void telvor::closeEvent(QCloseEvent* event)
{
    hide();
    event->ignore();
}

void telvor::Drive1_Change(int index)
{
    arbeitsverzeichnis_Change(Drive1->itemText(index));
}

QString telvor::directoryOf(const QModelIndex& index) const
{
    const QString name = index.data().toString();
    if (name == QLatin1String(".."))
        return parentOf(m_directory);
    return QDir::cleanPath(m_directory + QLatin1Char('/') + name);
}

void telvor::arbeitsverzeichnis_DblClick(const QModelIndex& index)
{
    arbeitsverzeichnis_Change(directoryOf(index));
}

void telvor::arbeitsverzeichnis_Change(const QString& path)
{
    const QString directory = QDir::cleanPath(path);
    if (directory == m_directory)
        return;
    showDirectory(directory);
    Text3->setText(directory);
    edited();
}

void telvor::showDirectory(const QString& path)
{
    m_directory = QDir::cleanPath(path);
    // The way up needs no look at the disk: it is there at once, also while the listing hangs.
    m_directories->setStringList(wayUp());
    m_directoryLister->request({m_directory, QDir::Dirs, {}});

    QStringList roots;
    for (int i = 0; i < Drive1->count(); ++i)
        roots << Drive1->itemText(i);
    const int drive = Drive1->findText(mountPointOf(m_directory, roots));
    Drive1->setCurrentIndex(drive >= 0 ? drive : 0);
}

QStringList telvor::wayUp() const
{
    return m_directory == QLatin1String("/") ? QStringList() : QStringList{QStringLiteral("..")};
}

void telvor::directoriesListed(const QStringList& names)
{
    m_directories->setStringList(wayUp() + names);
}

void telvor::Command2_Click()
{
    if (m_signalDialog) {
        m_signalDialog->raise();
        m_signalDialog->activateWindow();
        return;
    }
    auto* dialog = new SignalDialog(signalStartDirectory(QCoreApplication::applicationDirPath()), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) {
        edited();
        if (m_input)
            m_input->signalFileChosen(QFileInfo(path).absoluteFilePath());
    });
    m_signalDialog = dialog;
    // No loop of its own: the station goes on polling while the user looks for a file.
    dialog->open();
}

void telvor::reportThen(void (ClientInput::*action)())
{
    // The core acts on its copy of the controls, which must be the one on the screen.
    edited();
    if (m_input)
        (m_input->*action)();
}

void telvor::checkBox_Click(QCheckBox* box)
{
    if (box->checkState() != Qt::PartiallyChecked)
        box->setTristate(false);
    edited();
}

void telvor::edited()
{
    // Without a receiver nothing counts as reported: the next report carries these edits.
    if (m_showing || !m_input)
        return;
    const SetupFields current = fields();
    // Choosing the port that is already shown, for instance, changes nothing worth reporting.
    if (current == m_lastReported)
        return;
    m_lastReported = current;
    m_input->setupEdited(current);
}

} // namespace telvor
