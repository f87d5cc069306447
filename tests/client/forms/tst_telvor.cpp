#include "client/forms/SignalDialog.h"
#include "client/forms/telvor.h"
#include "tests/client/forms/ListingGate.h"
#include "tests/support/fakes/NullInput.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>

#include <map>
#include <memory>

using telvor::SetupFields;

namespace {

enum class Kind { Label, TextBox, MessageBox, CheckBox, PortBox, Button, Frame, DriveList, DirectoryList, FileList };

/** Remembers every report of the window. */
struct Recorder final : telvor::test::NullInput {
    void setupEdited(const SetupFields& fields) override
    {
        calls.append(fields);
        events << QStringLiteral("setupEdited");
    }
    void speichern_Click() override { events << QStringLiteral("speichern_Click"); }
    void config_PendraSaver_Click() override { events << QStringLiteral("config_PendraSaver_Click"); }
    void signalFileChosen(const QString& path) override { events << QStringLiteral("signalFileChosen ") + path; }
    void setInitialisierung(bool) override { ++others; }
    void setGetestet(bool) override { ++others; }
    void endProgram() override { ++others; }
    void clear()
    {
        calls.clear();
        events.clear();
    }
    QList<SetupFields> calls;
    QStringList events; ///< every report, in order
    int others = 0;     ///< reports the setup window never makes
};

/** Values that differ from every design value, so that a control showing the wrong one is noticed. */
SetupFields sample()
{
    SetupFields f;
    f.caption = QStringLiteral("ORSKA KVT GmbH");
    f.Label10 = QStringLiteral("Setup Quorvel");
    f.File1Pattern = QStringLiteral("*.*");
    f.Text1 = QStringLiteral("Überfall Kasse");
    f.Text6 = QStringLiteral("Erdgeschoss, links");
    f.Text7 = QStringLiteral(" Zimmer 12");
    f.Text8 = QStringLiteral("bitte [sofort] kommen");
    f.Text3 = QStringLiteral("/srv/alarm/");
    f.Text4 = QStringLiteral("/usr/share/sounds/alarm.wav");
    f.Text5 = QStringLiteral("12");
    f.Combo1 = QStringLiteral("3");
    f.tastenver = QStringLiteral("250");
    f.meldungtxt = QStringLiteral("12.03.2024 10:00:00 Setup ausgeführt");
    f.Label2 = QStringLiteral("Keine ID");
    f.Upfad = QStringLiteral("/home/anna/.config/telvor");
    f.CheckCom = 1;
    f.Check1 = 0;
    f.chk_vollbild = 1;
    f.alarmtestaus = 0;
    f.logfile = 1;
    return f;
}

QString SetupFields::*textMember(const QString& name)
{
    static const std::map<QString, QString SetupFields::*> members{
        {QStringLiteral("Text1"), &SetupFields::Text1},   {QStringLiteral("Text6"), &SetupFields::Text6},
        {QStringLiteral("Text7"), &SetupFields::Text7},   {QStringLiteral("Text8"), &SetupFields::Text8},
        {QStringLiteral("Text3"), &SetupFields::Text3},   {QStringLiteral("Text4"), &SetupFields::Text4},
        {QStringLiteral("Text5"), &SetupFields::Text5},   {QStringLiteral("tastenver"), &SetupFields::tastenver},
        {QStringLiteral("Combo1"), &SetupFields::Combo1},
    };
    return members.at(name);
}

int SetupFields::*stateMember(const QString& name)
{
    static const std::map<QString, int SetupFields::*> members{
        {QStringLiteral("CheckCom"), &SetupFields::CheckCom},
        {QStringLiteral("Check1"), &SetupFields::Check1},
        {QStringLiteral("chk_vollbild"), &SetupFields::chk_vollbild},
        {QStringLiteral("alarmtestaus"), &SetupFields::alarmtestaus},
        {QStringLiteral("logfile"), &SetupFields::logfile},
    };
    return members.at(name);
}

/** The names a list view shows, from the top down. */
QStringList listedNames(const QListView* view)
{
    QStringList names;
    const QModelIndex root = view->rootIndex();
    for (int row = 0; row < view->model()->rowCount(root); ++row)
        names << view->model()->index(row, 0, root).data().toString();
    return names;
}

/** The names a list view shows, sorted. */
QStringList shownNames(const QListView* view)
{
    QStringList names = listedNames(view);
    names.sort();
    return names;
}

QModelIndex rowNamed(const QListView* view, const QString& name)
{
    const QModelIndex root = view->rootIndex();
    for (int row = 0; row < view->model()->rowCount(root); ++row) {
        const QModelIndex index = view->model()->index(row, 0, root);
        if (index.data().toString() == name)
            return index;
    }
    return {};
}

/** Waits until the list shows name, then clicks it once or twice, or selects it and presses Enter. */
enum class Press { Click, DoubleClick, Enter };

void press(QListView* view, const QString& name, Press how)
{
    QModelIndex index;
    QTRY_VERIFY_WITH_TIMEOUT((index = rowNamed(view, name)).isValid(), 30000);
    view->scrollTo(index);
    const QPoint at = view->visualRect(index).center();
    // A double click starts with a click, as it does for the user.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    if (how == Press::DoubleClick)
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    else if (how == Press::Enter)
        QTest::keyClick(view, Qt::Key_Return);
}

/** Chooses the entry text of a combo box the way the user does, through its popup. */
void choose(QComboBox* box, const QString& text)
{
    const int index = box->findText(text);
    QVERIFY(index >= 0);
    box->showPopup();
    QAbstractItemView* list = box->view();
    QTRY_VERIFY(list->isVisible());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(index, 0)).center());
}

/** Makes the files named, empty, below base. */
bool makeFiles(const QString& base, const QStringList& names)
{
    for (const QString& name : names) {
        QFile file(base + QLatin1Char('/') + name);
        if (!file.open(QIODevice::WriteOnly))
            return false;
    }
    return true;
}

/** The one visible message box among the top-level windows, if exactly one is open. */
QMessageBox* visibleMessageBox()
{
    QMessageBox* found = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) {
            if (found)
                return nullptr;
            found = box;
        }
    }
    return found;
}

QPushButton* buttonLabelled(QMessageBox* box, const QString& text)
{
    for (QAbstractButton* button : box->buttons()) {
        if (button->text() == text)
            return qobject_cast<QPushButton*>(button);
    }
    return nullptr;
}

bool containsColour(const QImage& image, QRgb colour)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) & 0xffffff) == (colour & 0xffffff))
                return true;
        }
    }
    return false;
}

/** Types "ß" and then "ä": the German keys that plain ASCII input would never exercise. */
void typeUmlauts(QWidget* control)
{
    QTest::sendKeyEvent(QTest::Click, control, Qt::Key_ssharp, QStringLiteral("ß"), Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Click, control, Qt::Key_Adiaeresis, QStringLiteral("ä"), Qt::NoModifier);
}

} // namespace

namespace telvor {

/** Lets a failed comparison of two field sets name what differs. */
char* toString(const SetupFields& f)
{
    const QString text =
        QStringLiteral("caption=%1 Label10=%2 File1Pattern=%3 Text1=%4 Text6=%5 Text7=%6 Text8=%7 Text3=%8 Text4=%9")
            .arg(f.caption, f.Label10, f.File1Pattern, f.Text1, f.Text6, f.Text7, f.Text8, f.Text3, f.Text4) +
        QStringLiteral(" Text5=%1 Combo1=%2 tastenver=%3 meldungtxt=%4 Label2=%5 Upfad=%6")
            .arg(f.Text5, f.Combo1, f.tastenver, f.meldungtxt, f.Label2, f.Upfad) +
        QStringLiteral(" CheckCom=%1 Check1=%2 chk_vollbild=%3 alarmtestaus=%4 logfile=%5")
            .arg(f.CheckCom)
            .arg(f.Check1)
            .arg(f.chk_vollbild)
            .arg(f.alarmtestaus)
            .arg(f.logfile);
    return qstrdup(text.toUtf8().constData());
}

} // namespace telvor

Q_DECLARE_METATYPE(Kind)

class TestTelvor final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void controls_data();
    void controls();
    void clientArea();
    void portBox();
    void emphasis_data();
    void emphasis();
    void warningIsRedOnWindowColour();

    void showFieldsFillsControls();
    void greyCheckBoxesAreShown();
    void typedEdit_data();
    void typedEdit();
    void portChosenFromList();
    void displayOnlyBoxesIgnoreTyping();
    void checkBoxClicks_data();
    void checkBoxClicks();
    void editsKeptWithoutReceiver();

    void showFieldsKeepsTyping_data();
    void showFieldsKeepsTyping();
    void buttonsHandTheControlsOver_data();
    void buttonsHandTheControlsOver();

    void browsingStartsAtCurrentDirectory();
    void driveChoiceShowsItsRoot();
    void directoryChoice();
    void hungDirectoryLeavesWindowAnswering();
    void filePattern_data();
    void filePattern();

    void signalStartDirectory_data();
    void signalStartDirectory();
    void signalDialog();
    void signalChoice_data();
    void signalChoice();

    void message_data();
    void message();
    void messagesWaitForEachOther();
    void visibility();
    void closeHides();

private:
    std::unique_ptr<telvor::telvor> m_window;
    Recorder m_recorder;
};

void TestTelvor::init()
{
    m_window = std::make_unique<telvor::telvor>();
    m_recorder.clear();
    m_window->attach(&m_recorder);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestTelvor::cleanup()
{
    m_window.reset();
}

void TestTelvor::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("geometry");

    const QString window = QStringLiteral("telvor");
    const auto row = [&](const char* name, Kind kind, const QString& parent, const QString& text, QRect geometry) {
        QTest::newRow(name) << QString::fromLatin1(name) << kind << parent << text << geometry;
    };
    row("BSet", Kind::Label, window, "Setup", {8, 8, 185, 25});
    row("Label9", Kind::Label, window, "V.3.7.1", {200, 8, 57, 17});
    row("File1", Kind::FileList, window, "", {376, 8, 121, 19});
    row("Label10", Kind::Label, window, "Quorvel", {8, 40, 369, 33});
    row("Frame1", Kind::Frame, window, "Comm Port", {8, 80, 137, 81});
    row("CheckCom", Kind::CheckBox, "Frame1", "Deaktivieren", {16, 16, 97, 17});
    row("Label7", Kind::Label, "Frame1", "Port:", {16, 48, 41, 17});
    row("Combo1", Kind::PortBox, window, "1", {72, 128, 49, 23});
    row("Check1", Kind::CheckBox, window, "Alarm empfang aus !", {320, 72, 137, 17});
    row("Label3", Kind::Label, window, "Alarmtext :", {176, 80, 289, 25});
    row("Text1", Kind::TextBox, window, "", {176, 96, 289, 21});
    row("Text6", Kind::TextBox, window, "", {176, 120, 289, 21});
    row("Text7", Kind::TextBox, window, "", {176, 144, 289, 21});
    row("Text8", Kind::TextBox, window, "", {176, 168, 289, 21});
    row("chk_vollbild", Kind::CheckBox, window, "Anzeige als Vollbild", {176, 192, 137, 17});
    row("alarmtestaus", Kind::CheckBox, window, "Tastenfunktion ausschalten", {16, 216, 177, 17});
    row("Label8", Kind::Label, window, "Tastenverzögerung in ms (250):", {208, 216, 185, 17});
    row("tastenver", Kind::TextBox, window, "120", {408, 216, 57, 22});
    row("Label1", Kind::Label, window, "Datenaustauschverzeichniss (Server):", {16, 240, 233, 17});
    row("Text3", Kind::TextBox, window, "", {16, 256, 241, 25});
    row("meldungtxt", Kind::MessageBox, window, "", {272, 256, 241, 49});
    row("Drive1", Kind::DriveList, window, "", {16, 280, 241, 23});
    row("arbeitsverzeichnis", Kind::DirectoryList, window, "", {16, 304, 241, 57});
    row("logfile", Kind::CheckBox, window, "Logfile aktive", {272, 328, 241, 25});
    row("Label4", Kind::Label, window, "Aktuelles akustisches Signal :", {16, 384, 457, 17});
    row("Command2", Kind::Button, window, "Signal suchen", {16, 408, 81, 33});
    row("Label2", Kind::Label, window, "", {360, 408, 145, 41});
    row("Text4", Kind::TextBox, window, "", {104, 416, 241, 25});
    row("Label5", Kind::Label, window, "ID :", {24, 464, 33, 17});
    row("Text5", Kind::TextBox, window, "", {48, 464, 41, 22});
    row("config_PendraSaver", Kind::Button, window, "Bildschirmschoner initialisieren", {272, 464, 121, 33});
    row("speichern", Kind::Button, window, "Setup beenden", {432, 464, 81, 33});
    row("Upfad", Kind::TextBox, window, "", {40, 504, 409, 25});
}

void TestTelvor::controls()
{
    QFETCH(QString, name);
    QFETCH(Kind, kind);
    QFETCH(QString, parent);
    QFETCH(QString, text);
    QFETCH(QRect, geometry);

    QCOMPARE(m_window->findChildren<QWidget*>(name).size(), 1);
    auto* control = m_window->findChild<QWidget*>(name);
    QVERIFY(control);
    QCOMPARE(control->parentWidget()->objectName(), parent);
    QCOMPARE(control->geometry(), geometry);
    QVERIFY(control->isVisible());

    switch (kind) {
    case Kind::Label: {
        auto* label = qobject_cast<QLabel*>(control);
        QVERIFY(label);
        QCOMPARE(label->text(), text);
        break;
    }
    case Kind::TextBox: {
        auto* box = qobject_cast<QLineEdit*>(control);
        QVERIFY(box);
        QCOMPARE(box->text(), text);
        break;
    }
    case Kind::MessageBox: {
        auto* box = qobject_cast<QPlainTextEdit*>(control);
        QVERIFY(box);
        QCOMPARE(box->toPlainText(), text);
        break;
    }
    case Kind::CheckBox: {
        auto* box = qobject_cast<QCheckBox*>(control);
        QVERIFY(box);
        QCOMPARE(box->text(), text);
        QCOMPARE(box->checkState(), Qt::Unchecked);
        break;
    }
    case Kind::PortBox: {
        auto* box = qobject_cast<QComboBox*>(control);
        QVERIFY(box);
        QVERIFY(box->isEditable());
        QCOMPARE(box->currentText(), text);
        break;
    }
    case Kind::Button: {
        auto* button = qobject_cast<QPushButton*>(control);
        QVERIFY(button);
        QCOMPARE(button->text(), text);
        break;
    }
    case Kind::Frame: {
        auto* frame = qobject_cast<QGroupBox*>(control);
        QVERIFY(frame);
        QCOMPARE(frame->title(), text);
        break;
    }
    case Kind::DriveList: {
        auto* list = qobject_cast<QComboBox*>(control);
        QVERIFY(list);
        QVERIFY(!list->isEditable());
        break;
    }
    case Kind::DirectoryList:
    case Kind::FileList: {
        auto* list = qobject_cast<QListView*>(control);
        QVERIFY(list);
        // A double click enters a directory; it must never start renaming one.
        QCOMPARE(list->editTriggers(), QAbstractItemView::NoEditTriggers);
        break;
    }
    }
}

void TestTelvor::clientArea()
{
    QCOMPARE(m_window->size(), QSize(545, 568));
    QCOMPARE(m_window->minimumSize(), QSize(545, 568));
    QCOMPARE(m_window->maximumSize(), QSize(545, 568));
    QVERIFY(m_window->isWindow());
}

void TestTelvor::portBox()
{
    QStringList items;
    for (int i = 0; i < m_window->Combo1->count(); ++i)
        items << m_window->Combo1->itemText(i);
    QCOMPARE(items, QStringList({"1", "2", "3", "4", "5", "6", "7", "8", "9"}));

    // The box sits over the frame: a click on it must reach the box, not the frame below.
    QWidget* hit = m_window->childAt(m_window->Combo1->geometry().center());
    QVERIFY(hit == m_window->Combo1 || m_window->Combo1->isAncestorOf(hit));

    // Typing a port of one's own and pressing Enter must not grow the list.
    m_window->Combo1->lineEdit()->selectAll();
    QTest::keyClicks(m_window->Combo1, "/dev/ttyUSB0");
    QTest::keyClick(m_window->Combo1, Qt::Key_Return);
    QCOMPARE(m_window->Combo1->count(), 9);
    QCOMPARE(m_window->Combo1->currentText(), QStringLiteral("/dev/ttyUSB0"));
}

void TestTelvor::emphasis_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("colour"); // invalid: the palette's usual text colour

    QTest::newRow("heading") << "BSet"
                             << "Setup" << QColor();
    QTest::newRow("title") << "Label10"
                           << "Setup Quorvel" << QColor();
    QTest::newRow("validation") << "Label2"
                                << "Kein Alarmtext !" << QColor(192, 0, 0);
}

void TestTelvor::emphasis()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QColor, colour);

    SetupFields f = sample();
    f.Label10 = QStringLiteral("Setup Quorvel");
    f.Label2 = QStringLiteral("Kein Alarmtext !");
    m_window->showFields(f);

    auto* label = m_window->findChild<QLabel*>(name);
    QVERIFY(label);
    QCOMPARE(label->text(), text);
    QVERIFY(label->font().bold());
    QVERIFY(label->font().weight() > m_window->Label9->font().weight());
    if (colour.isValid()) {
        QCOMPARE(label->palette().color(QPalette::WindowText), colour);
        QVERIFY(containsColour(label->grab().toImage(), colour.rgb()));
    }
}

void TestTelvor::warningIsRedOnWindowColour()
{
    SetupFields f = sample();
    f.meldungtxt = QStringLiteral("Achtung, bitte Pfad prüfen !!");
    m_window->showFields(f);

    QPlainTextEdit* box = m_window->meldungtxt;
    QCOMPARE(box->toPlainText(), f.meldungtxt);
    QVERIFY(box->isReadOnly());
    const QImage image = box->viewport()->grab().toImage();
    QVERIFY(containsColour(image, qRgb(255, 0, 0)));
    const QColor window = m_window->palette().color(QPalette::Window);
    QCOMPARE(QColor(image.pixel(image.width() - 2, image.height() - 2)), window);
}

void TestTelvor::showFieldsFillsControls()
{
    const SetupFields f = sample();
    m_window->showFields(f);

    QCOMPARE(m_window->windowTitle(), QStringLiteral("ORSKA KVT GmbH"));
    QCOMPARE(m_window->Label10->text(), f.Label10);
    QCOMPARE(m_window->Text1->text(), f.Text1);
    QCOMPARE(m_window->Text6->text(), f.Text6);
    QCOMPARE(m_window->Text7->text(), f.Text7);
    QCOMPARE(m_window->Text8->text(), f.Text8);
    QCOMPARE(m_window->Text3->text(), f.Text3);
    QCOMPARE(m_window->Text4->text(), f.Text4);
    QCOMPARE(m_window->Text5->text(), f.Text5);
    QCOMPARE(m_window->Combo1->currentText(), f.Combo1);
    QCOMPARE(m_window->tastenver->text(), f.tastenver);
    QCOMPARE(m_window->meldungtxt->toPlainText(), f.meldungtxt);
    QCOMPARE(m_window->Label2->text(), f.Label2);
    QCOMPARE(m_window->Upfad->text(), f.Upfad);
    QCOMPARE(m_window->CheckCom->checkState(), Qt::Checked);
    QCOMPARE(m_window->Check1->checkState(), Qt::Unchecked);
    QCOMPARE(m_window->chk_vollbild->checkState(), Qt::Checked);
    QCOMPARE(m_window->alarmtestaus->checkState(), Qt::Unchecked);
    QCOMPARE(m_window->logfile->checkState(), Qt::Checked);
    QCOMPARE(m_window->fields(), f);

    // Showing the core's values is no edit of the user.
    QCOMPARE(m_recorder.calls.size(), 0);

    // A second set replaces the first completely, the display-only values included.
    SetupFields g;
    g.caption = QStringLiteral("ORSKA KVT GmbH");
    m_window->showFields(g);
    QCOMPARE(m_window->fields(), g);
    QCOMPARE(m_window->Text1->text(), QString());
    QCOMPARE(m_window->CheckCom->checkState(), Qt::Unchecked);
    QCOMPARE(m_window->Label2->text(), QString());
    QCOMPARE(m_recorder.calls.size(), 0);
}

void TestTelvor::greyCheckBoxesAreShown()
{
    SetupFields f = sample();
    f.CheckCom = 2;
    f.Check1 = 2;
    f.chk_vollbild = 2;
    f.alarmtestaus = 2;
    f.logfile = 2;
    m_window->showFields(f);
    for (QCheckBox* box :
         {m_window->CheckCom, m_window->Check1, m_window->chk_vollbild, m_window->alarmtestaus, m_window->logfile})
        QCOMPARE(box->checkState(), Qt::PartiallyChecked);
    QCOMPARE(m_window->fields(), f);
    QCOMPARE(m_recorder.calls.size(), 0);
}

void TestTelvor::typedEdit_data()
{
    QTest::addColumn<QString>("name");
    for (const char* name : {"Text1", "Text6", "Text7", "Text8", "Text3", "Text4", "Text5", "tastenver", "Combo1"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestTelvor::typedEdit()
{
    QFETCH(QString, name);
    const SetupFields f = sample();
    m_window->showFields(f);
    auto* control = m_window->findChild<QWidget*>(name);
    QVERIFY(control);
    control->setFocus();

    typeUmlauts(control);

    // One report per typed character, each with every control's value of that moment.
    QCOMPARE(m_recorder.calls.size(), 2);
    SetupFields expected = f;
    expected.*textMember(name) = f.*textMember(name) + QStringLiteral("ß");
    QCOMPARE(m_recorder.calls[0], expected);
    expected.*textMember(name) = f.*textMember(name) + QStringLiteral("ßä");
    QCOMPARE(m_recorder.calls[1], expected);

    QTest::keyClick(control, Qt::Key_Backspace);
    QCOMPARE(m_recorder.calls.size(), 3);
    QCOMPARE(m_recorder.calls[2].*textMember(name), f.*textMember(name) + QStringLiteral("ß"));
}

void TestTelvor::portChosenFromList()
{
    const SetupFields f = sample();
    m_window->showFields(f);
    QComboBox* box = m_window->Combo1;
    const auto choose = [box](int index) {
        box->showPopup();
        QAbstractItemView* list = box->view();
        QTRY_VERIFY(list->isVisible());
        const QRect item = list->visualRect(list->model()->index(index, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
    };

    choose(6);
    QCOMPARE(box->currentText(), QStringLiteral("7"));
    QCOMPARE(m_recorder.calls.size(), 1);
    SetupFields expected = f;
    expected.Combo1 = QStringLiteral("7");
    QCOMPARE(m_recorder.calls[0], expected);

    // Choosing the port already shown changes nothing and reports nothing.
    choose(6);
    QCOMPARE(m_recorder.calls.size(), 1);
}

void TestTelvor::displayOnlyBoxesIgnoreTyping()
{
    const SetupFields f = sample();
    m_window->showFields(f);
    for (QWidget* control : {static_cast<QWidget*>(m_window->Upfad), static_cast<QWidget*>(m_window->meldungtxt)}) {
        control->setFocus();
        QTest::keyClicks(control, QStringLiteral("xyz"));
        QTest::keyClick(control, Qt::Key_Backspace);
    }
    QCOMPARE(m_window->Upfad->text(), f.Upfad);
    QCOMPARE(m_window->meldungtxt->toPlainText(), f.meldungtxt);
    QCOMPARE(m_recorder.calls.size(), 0);
}

void TestTelvor::checkBoxClicks_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("start");
    QTest::addColumn<QList<int>>("afterClicks");

    for (const char* name : {"CheckCom", "Check1", "chk_vollbild", "alarmtestaus", "logfile"}) {
        QTest::addRow("%s clear", name) << QString::fromLatin1(name) << 0 << QList<int>{1, 0, 1};
        QTest::addRow("%s ticked", name) << QString::fromLatin1(name) << 1 << QList<int>{0, 1, 0};
        // Grey is shown as loaded; the user's first click ticks the box, and it never turns grey again.
        QTest::addRow("%s grey", name) << QString::fromLatin1(name) << 2 << QList<int>{1, 0, 1, 0};
    }
}

void TestTelvor::checkBoxClicks()
{
    QFETCH(QString, name);
    QFETCH(int, start);
    QFETCH(QList<int>, afterClicks);

    SetupFields f = sample();
    f.*stateMember(name) = start;
    m_window->showFields(f);
    auto* box = m_window->findChild<QCheckBox*>(name);
    QVERIFY(box);

    // Clicked through the window, so that a control lying over the box would take the click.
    const QPoint onBox = box->mapTo(m_window.get(), QPoint(6, box->height() / 2));
    for (int i = 0; i < afterClicks.size(); ++i) {
        QTest::mouseClick(m_window->windowHandle(), Qt::LeftButton, {}, onBox);
        QCOMPARE(m_recorder.calls.size(), i + 1);
        SetupFields expected = f;
        expected.*stateMember(name) = afterClicks[i];
        QCOMPARE(m_recorder.calls[i], expected);
    }
}

void TestTelvor::editsKeptWithoutReceiver()
{
    m_window->attach(nullptr);
    m_window->showFields(sample());
    m_window->Text5->setFocus();
    QTest::keyClicks(m_window->Text5, QStringLiteral("3"));
    QTest::mouseClick(m_window->Check1, Qt::LeftButton, {}, QPoint(6, m_window->Check1->height() / 2));
    QCOMPARE(m_window->fields().Text5, QStringLiteral("123"));
    QCOMPARE(m_window->fields().Check1, 1);
    QCOMPARE(m_recorder.calls.size(), 0);

    // Attached again, the next report carries the edits made meanwhile.
    m_window->attach(&m_recorder);
    QTest::keyClicks(m_window->Text5, QStringLiteral("4"));
    QCOMPARE(m_recorder.calls.size(), 1);
    QCOMPARE(m_recorder.calls[0].Text5, QStringLiteral("1234"));
    QCOMPARE(m_recorder.calls[0].Check1, 1);
}

void TestTelvor::showFieldsKeepsTyping_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<int>("selectionLength"); // the selection ends at the cursor

    QTest::newRow("cursor inside the alarm text") << "Text1" << 3 << 0;
    QTest::newRow("selection in the ID") << "Text5" << 1 << 1;
    QTest::newRow("cursor at the start of the port") << "Combo1" << 0 << 0;
    QTest::newRow("selection in the debounce time") << "tastenver" << 3 << 2;
    QTest::newRow("cursor in the directory box") << "Text3" << 4 << 0;
}

void TestTelvor::showFieldsKeepsTyping()
{
    QFETCH(QString, name);
    QFETCH(int, cursor);
    QFETCH(int, selectionLength);

    SetupFields f = sample();
    m_window->showFields(f);
    QLineEdit* box =
        name == QLatin1String("Combo1") ? m_window->Combo1->lineEdit() : m_window->findChild<QLineEdit*>(name);
    QVERIFY(box);
    box->setFocus();
    box->setCursorPosition(cursor - selectionLength);
    if (selectionLength > 0)
        box->cursorForward(true, selectionLength);
    const QString selected = box->selectedText();

    // An event-log entry arrives while the user is busy in the box.
    f.meldungtxt = QStringLiteral("12.03.2024 10:00:05 DSR gesetzt");
    m_window->showFields(f);
    QCOMPARE(m_window->meldungtxt->toPlainText(), f.meldungtxt);
    QCOMPARE(box->cursorPosition(), cursor);
    QCOMPARE(box->selectedText(), selected);

    // The next key lands where the user left off.
    QTest::keyClick(box, Qt::Key_X);
    const QString before = f.*textMember(name);
    const QString expected = before.left(cursor - selectionLength) + QLatin1Char('x') + before.mid(cursor);
    QCOMPARE(box->text(), expected);
    QCOMPARE(m_recorder.calls.size(), 1);
    QCOMPARE(m_recorder.calls[0].*textMember(name), expected);
    QCOMPARE(m_recorder.calls[0].meldungtxt, f.meldungtxt);

    // A value the core really changes still reaches the box.
    f.*textMember(name) = QStringLiteral("42");
    m_window->showFields(f);
    QCOMPARE(box->text(), QStringLiteral("42"));
}

void TestTelvor::buttonsHandTheControlsOver_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("report");
    QTest::addColumn<bool>("unreportedEdit");

    for (const auto& [button, report] :
         {std::pair{"speichern", "speichern_Click"}, std::pair{"config_PendraSaver", "config_PendraSaver_Click"}}) {
        QTest::addRow("%s", button) << QString::fromLatin1(button) << QString::fromLatin1(report) << false;
        QTest::addRow("%s after an unreported edit", button)
            << QString::fromLatin1(button) << QString::fromLatin1(report) << true;
    }
}

void TestTelvor::buttonsHandTheControlsOver()
{
    QFETCH(QString, button);
    QFETCH(QString, report);
    QFETCH(bool, unreportedEdit);

    const SetupFields f = sample();
    m_window->showFields(f);
    if (unreportedEdit) {
        // Typed while nobody listened: only the click can bring it to the core.
        m_window->attach(nullptr);
        m_window->Text5->setFocus();
        QTest::keyClicks(m_window->Text5, QStringLiteral("3"));
        m_window->attach(&m_recorder);
    }
    auto* control = m_window->findChild<QPushButton*>(button);
    QVERIFY(control);
    QTest::mouseClick(control, Qt::LeftButton);

    if (unreportedEdit) {
        QCOMPARE(m_recorder.events, QStringList({QStringLiteral("setupEdited"), report}));
        SetupFields expected = f;
        expected.Text5 = QStringLiteral("123");
        QCOMPARE(m_recorder.calls[0], expected);
    } else {
        QCOMPARE(m_recorder.events, QStringList{report});
    }
    // A second click has nothing new to hand over.
    QTest::mouseClick(control, Qt::LeftButton);
    QCOMPARE(m_recorder.events.count(QStringLiteral("setupEdited")), unreportedEdit ? 1 : 0);
    QCOMPARE(m_recorder.events.last(), report);
}

void TestTelvor::browsingStartsAtCurrentDirectory()
{
    const QString current = QDir::currentPath();
    // The mount that holds the current directory, as the kernel's mount table names it.
    const QString drive = m_window->Drive1->currentText();
    QVERIFY2(drive == QLatin1String("/") || current == drive || current.startsWith(drive + QLatin1Char('/')),
             qPrintable(drive));
    QCOMPARE(m_window->Drive1->itemText(0), QStringLiteral("/"));
    QCOMPARE(m_window->arbeitsverzeichnisPath(), current);

    // Started in a directory of its own, the lists show what is there: the way up and the
    // subdirectories in one, the files in the other.
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const QString base = QDir(temp.path()).canonicalPath();
    for (const char* dir : {"beta", "Alpha", ".versteckt"})
        QVERIFY(QDir(base).mkdir(QString::fromLatin1(dir)));
    QVERIFY(makeFiles(base, {"signal.wav", "Notiz.txt"}));
    QVERIFY(QDir::setCurrent(base));
    telvor::telvor window;
    QVERIFY(QDir::setCurrent(current));
    window.attach(&m_recorder);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QTRY_COMPARE(listedNames(window.arbeitsverzeichnis), QStringList({"..", "Alpha", "beta"}));
    QTRY_COMPARE(listedNames(window.File1), QStringList({"Notiz.txt", "signal.wav"}));
    QCOMPARE(window.arbeitsverzeichnisPath(), base);
    // Where the list starts is no choice of the user's.
    QCOMPARE(window.Text3->text(), QString());
    QCOMPARE(m_recorder.calls.size(), 0);
}

void TestTelvor::driveChoiceShowsItsRoot()
{
    const SetupFields f = sample();
    m_window->showFields(f);
    QComboBox* drives = m_window->Drive1;
    QVERIFY(m_window->arbeitsverzeichnisPath() != QLatin1String("/"));
    choose(drives, QStringLiteral("/"));

    QCOMPARE(drives->currentText(), QStringLiteral("/"));
    QCOMPARE(m_window->arbeitsverzeichnisPath(), QStringLiteral("/"));
    // The root keeps its "/": it is the only directory whose path ends with one.
    QCOMPARE(m_window->Text3->text(), QStringLiteral("/"));
    QCOMPARE(m_recorder.calls.size(), 1);
    SetupFields expected = f;
    expected.Text3 = QStringLiteral("/");
    QCOMPARE(m_recorder.calls[0], expected);
    // Nothing leads up from the root.
    QTRY_VERIFY(!listedNames(m_window->arbeitsverzeichnis).isEmpty());
    QVERIFY(!listedNames(m_window->arbeitsverzeichnis).contains(QStringLiteral("..")));

    // The drive of the list's own directory again is no change: what the user typed stays.
    m_window->Text3->setFocus();
    QTest::keyClicks(m_window->Text3, QStringLiteral("srv"));
    m_recorder.clear();
    choose(drives, QStringLiteral("/"));
    QCOMPARE(m_window->Text3->text(), QStringLiteral("/srv"));
    QCOMPARE(m_recorder.calls.size(), 0);

    // Every other drive is entered at its mount point, named without a final "/".
    for (int i = 1; i < drives->count(); ++i) {
        const QString mountPoint = drives->itemText(i);
        choose(drives, mountPoint);
        QCOMPARE(m_window->arbeitsverzeichnisPath(), mountPoint);
        QCOMPARE(m_window->Text3->text(), mountPoint);
        QCOMPARE(m_recorder.calls.last().Text3, mountPoint);
    }
}

void TestTelvor::directoryChoice()
{
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const QString base = QDir(temp.path()).canonicalPath();
    QVERIFY(QDir(base).mkpath(QStringLiteral("alpha/inner")));
    QVERIFY(QDir(base).mkpath(QStringLiteral("beta")));
    QFile file(base + QStringLiteral("/x.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    QListView* view = m_window->arbeitsverzeichnis;

    // Down from the root to the temporary directory, the way a user would go.
    choose(m_window->Drive1, QStringLiteral("/"));
    QCOMPARE(m_window->Text3->text(), QStringLiteral("/"));
    QString path;
    for (const QString& part : base.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        path += QLatin1Char('/') + part;
        press(view, part, Press::DoubleClick);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(m_window->arbeitsverzeichnisPath(), path);
        QCOMPARE(m_window->Text3->text(), path);
    }

    // Only directories are listed, after the way up.
    QTRY_COMPARE_WITH_TIMEOUT(listedNames(view), QStringList({"..", "alpha", "beta"}), 30000);

    // A single click only selects: the directory box keeps what it has, and nothing is reported.
    m_recorder.clear();
    press(view, QStringLiteral("alpha"), Press::Click);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(view->currentIndex().data().toString(), QStringLiteral("alpha"));
    QCOMPARE(m_window->Text3->text(), base);
    QCOMPARE(m_window->arbeitsverzeichnisPath(), base);
    QCOMPARE(m_recorder.calls.size(), 0);

    // Enter on the selected entry enters it, as a double click does.
    press(view, QStringLiteral("alpha"), Press::Enter);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(m_window->arbeitsverzeichnisPath(), base + QStringLiteral("/alpha"));
    QCOMPARE(m_window->Text3->text(), base + QStringLiteral("/alpha"));
    QCOMPARE(m_recorder.calls.size(), 1);
    QCOMPARE(m_recorder.calls[0].Text3, base + QStringLiteral("/alpha"));
    QTRY_COMPARE_WITH_TIMEOUT(listedNames(view), QStringList({"..", "inner"}), 30000);

    // ".." leads back up and names the parent, not a path with "..".
    press(view, QStringLiteral(".."), Press::DoubleClick);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(m_window->arbeitsverzeichnisPath(), base);
    QCOMPARE(m_window->Text3->text(), base);
    QCOMPARE(m_recorder.calls.last().Text3, base);
    QTRY_COMPARE_WITH_TIMEOUT(listedNames(view), QStringList({"..", "alpha", "beta"}), 30000);
}

void TestTelvor::hungDirectoryLeavesWindowAnswering()
{
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const QString base = QDir(temp.path()).canonicalPath();
    for (const char* dir : {"haengt", "frei/innen"})
        QVERIFY(QDir(base).mkpath(QString::fromLatin1(dir)));
    const QString hung = base + QStringLiteral("/haengt");

    telvor::test::ListingGate gate;
    const auto releaseAll = qScopeGuard([&gate] { gate.releaseAll(); });
    // Even the directory the window starts in may hang: the window comes up all the same.
    gate.hold(base);
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(base));
    QElapsedTimer clock;
    clock.start();
    telvor::telvor window(gate.function());
    QVERIFY(QDir::setCurrent(previous));
    window.attach(&m_recorder);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(clock.elapsed() < 5000);
    QListView* view = window.arbeitsverzeichnis;
    QTRY_COMPARE(gate.waiting(), 2);
    QCOMPARE(listedNames(view), QStringList{".."});
    QCOMPARE(listedNames(window.File1), QStringList());
    gate.release(base);
    QTRY_COMPARE(listedNames(view), QStringList({"..", "frei", "haengt"}));

    gate.hold(hung);
    press(view, QStringLiteral("haengt"), Press::DoubleClick);
    QCOMPARE(window.Text3->text(), hung);
    QTRY_COMPARE(gate.waiting(), 1);
    QCOMPARE(listedNames(view), QStringList{".."});

    // The window's thread goes on: timers fire, typing is reported, the way up answers, and so
    // does another directory.
    bool fired = false;
    QTimer::singleShot(10, this, [&fired] { fired = true; });
    QTRY_VERIFY(fired);
    window.Text5->setFocus();
    QTest::keyClicks(window.Text5, QStringLiteral("7"));
    QCOMPARE(m_recorder.calls.last().Text5, QStringLiteral("7"));
    press(view, QStringLiteral(".."), Press::DoubleClick);
    QTRY_COMPARE(listedNames(view), QStringList({"..", "frei", "haengt"}));
    press(view, QStringLiteral("frei"), Press::DoubleClick);
    QTRY_COMPARE(listedNames(view), QStringList({"..", "innen"}));
    QCOMPARE(window.Text3->text(), base + QStringLiteral("/frei"));
    QCOMPARE(gate.waiting(), 1);

    // Back at last, the hung listing's answer is out of date and changes nothing.
    gate.releaseAll();
    QTRY_COMPARE(gate.waiting(), 0);
    QTest::qWait(50);
    QCOMPARE(listedNames(view), QStringList({"..", "innen"}));
}

void TestTelvor::filePattern_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("shown");

    const QStringList all{"A.WAV", "README", "b.txt", "c.wav"};
    QTest::newRow("every file") << "*.*" << all;
    QTest::newRow("no pattern yet") << "" << all;
    QTest::newRow("one extension, any case") << "*.wav" << QStringList{"A.WAV", "c.wav"};
    QTest::newRow("two patterns") << "*.txt;*.wav" << QStringList{"A.WAV", "b.txt", "c.wav"};
    QTest::newRow("name with any extension") << "READ*.*" << QStringList{"README"};
    QTest::newRow("nothing matches") << "*.mp3" << QStringList{};
}

void TestTelvor::filePattern()
{
    QFETCH(QString, pattern);
    QFETCH(QStringList, shown);

    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    for (const char* name : {"A.WAV", "README", "b.txt", "c.wav"}) {
        QFile file(temp.filePath(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir(temp.path()).mkdir(QStringLiteral("sub.wav")));

    // The file list shows the process's current directory, as it was when the window was made.
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(temp.path()));
    telvor::telvor window;
    QVERIFY(QDir::setCurrent(previous));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    SetupFields f = sample();
    f.File1Pattern = QStringLiteral("*.*");
    window.showFields(f);
    QTRY_COMPARE_WITH_TIMEOUT(shownNames(window.File1), QStringList({"A.WAV", "README", "b.txt", "c.wav"}), 30000);

    f.File1Pattern = pattern;
    window.showFields(f);
    QTRY_COMPARE_WITH_TIMEOUT(shownNames(window.File1), shown, 30000);
}

void TestTelvor::signalStartDirectory_data()
{
    QTest::addColumn<QStringList>("directories"); // made below a temporary directory
    QTest::addColumn<bool>("fileInPlace");        // share/telvor is a file
    QTest::addColumn<bool>("installed");

    QTest::newRow("data directory beside the program") << QStringList{"bin", "share/telvor"} << false << true;
    QTest::newRow("no data directory") << QStringList{"bin", "share"} << false << false;
    QTest::newRow("a file where it belongs") << QStringList{"bin", "share"} << true << false;
}

void TestTelvor::signalStartDirectory()
{
    QFETCH(QStringList, directories);
    QFETCH(bool, fileInPlace);
    QFETCH(bool, installed);

    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const QString base = QDir(temp.path()).canonicalPath();
    for (const QString& dir : directories)
        QVERIFY(QDir(base).mkpath(dir));
    if (fileInPlace)
        QVERIFY(makeFiles(base, {"share/telvor"}));

    const QString start = telvor::signalStartDirectory(base + QStringLiteral("/bin"));
    QCOMPARE(start, installed ? base + QStringLiteral("/share/telvor") : QDir::homePath());
}

void TestTelvor::signalDialog()
{
    const SetupFields f = sample();
    m_window->showFields(f);
    QTest::mouseClick(m_window->Command2, Qt::LeftButton);
    QPointer<telvor::SignalDialog> dialog = m_window->signalDialog();
    QVERIFY(dialog);
    QTRY_VERIFY(dialog->isVisible());
    QCOMPARE(dialog->objectName(), QStringLiteral("signalDialog"));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Orska KVT GmbH"));
    QCOMPARE(dialog->nameFilters(), QStringList{QStringLiteral("Alarmsignal (*.wav)")});
    QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
    QCOMPARE(dialog->fileMode(), QFileDialog::AnyFile);
    QVERIFY(dialog->testOption(QFileDialog::DontUseNativeDialog));
    // open(), not exec(): the caller is back at once, and the window waits for the dialog.
    QCOMPARE(dialog->windowModality(), Qt::WindowModal);
    QVERIFY(dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")));
    // The build tree keeps the alarm signal where an installation does, beside the programs.
    const QDir installed(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/telvor"));
    QVERIFY(installed.exists(QStringLiteral("alarm.wav")));
    QCOMPARE(dialog->directory().absolutePath(), QDir::cleanPath(installed.absolutePath()));

    // Asked for again while it is open, the same dialog comes to the front.
    m_window->Command2->click();
    QCOMPARE(m_window->signalDialog(), dialog);
    QCOMPARE(m_window->findChildren<QFileDialog*>().size(), 1);
    // A cancel, at the first use of a run too, leaves the signal file as it was.
    QTest::keyClick(dialog, Qt::Key_Escape);
    QTRY_VERIFY(!dialog);
    QCOMPARE(m_window->Text4->text(), f.Text4);
    QCOMPARE(m_recorder.events, QStringList());
}

void TestTelvor::signalChoice_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("answer"); // empty: no question is asked
    QTest::addColumn<QString>("chosen"); // below the dialog's directory; empty: nothing is chosen

    QTest::newRow("existing file") << "alarm.wav"
                                   << ""
                                   << "alarm.wav";
    QTest::newRow("existing file, full path pasted") << "@/alarm.wav"
                                                     << ""
                                                     << "alarm.wav";
    QTest::newRow("new name taken") << "neu.wav"
                                    << "Ja"
                                    << "neu.wav";
    QTest::newRow("new name refused") << "neu.wav"
                                      << "Nein"
                                      << "";
}

void TestTelvor::signalChoice()
{
    QFETCH(QString, typed);
    QFETCH(QString, answer);
    QFETCH(QString, chosen);

    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const QString base = QDir(temp.path()).canonicalPath();
    QVERIFY(makeFiles(base, {"alarm.wav"}));
    typed.replace(QLatin1Char('@'), base);

    m_window->Command2->click();
    QPointer<telvor::SignalDialog> dialog = m_window->signalDialog();
    QVERIFY(dialog);
    QTRY_VERIFY(dialog->isVisible());
    dialog->setDirectory(base);
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(name);
    name->setFocus();
    if (typed.startsWith(QLatin1Char('/'))) {
        // A full path is pasted: typed key by key, the dialog would follow it from directory to directory.
        name->setText(typed);
    } else {
        QTest::keyClicks(name, typed);
    }
    QTest::keyClick(name, Qt::Key_Return);

    if (!answer.isEmpty()) {
        QMessageBox* question = nullptr;
        QTRY_VERIFY((question = visibleMessageBox()));
        QCOMPARE(question->windowTitle(), QStringLiteral("Orska KVT GmbH"));
        QCOMPARE(question->text(),
                 QStringLiteral("Die Datei „neu.wav“ gibt es nicht. Soll dieser Name trotzdem verwendet werden?"));
        QCOMPARE(question->buttons().size(), 2);
        QPushButton* button = buttonLabelled(question, answer);
        QVERIFY(button);
        QTest::mouseClick(button, Qt::LeftButton);
        QTRY_VERIFY(!visibleMessageBox());
    }

    if (chosen.isEmpty()) {
        // Back in the dialog, which is still open for another name.
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QCOMPARE(m_recorder.events, QStringList());
        dialog->reject();
        QTRY_VERIFY(!dialog);
        QCOMPARE(m_recorder.events, QStringList());
    } else {
        QTRY_VERIFY(!dialog);
        QCOMPARE(m_recorder.events,
                 QStringList{QStringLiteral("signalFileChosen ") + base + QLatin1Char('/') + chosen});
    }
}

void TestTelvor::message_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("port failure") << QStringLiteral("Das Gerät ist nicht bereit - 5  - Com Port 3 nicht verfügbar ! ");
    QTest::newRow("end of file") << QStringLiteral("Dateiende erreicht - 62  ");
    QTest::newRow("markup stays text") << QStringLiteral("<b>Pfad</b> /srv/<x> - 13  ");
}

void TestTelvor::message()
{
    QFETCH(QString, text);
    m_window->setSetupVisible(false);

    // The box opens and the caller goes on at once: no loop of its own holds up the station.
    m_window->showMessage(text);
    QMessageBox* box = m_window->openMessage();
    QVERIFY(box);
    QTRY_VERIFY(box->isVisible());
    QCOMPARE(box->text(), text);
    QCOMPARE(box->windowTitle(), QStringLiteral("telvor"));
    QCOMPARE(box->icon(), QMessageBox::Warning);
    QCOMPARE(box->textFormat(), Qt::PlainText);
    QCOMPARE(box->buttons().size(), 1);
    QVERIFY(!m_window->isSetupVisible());
    box->button(QMessageBox::Ok)->click();
    QTRY_VERIFY(!m_window->openMessage());
}

void TestTelvor::messagesWaitForEachOther()
{
    const QStringList texts{QStringLiteral("Einlesen hinter Dateiende - 62  "),
                            QStringLiteral("Einlesen hinter Dateiende - 62  "),
                            QStringLiteral("Schnittstelle nicht vorhanden - 8010  - Com Port 3 nicht verfügbar ! ")};
    for (const QString& text : texts)
        m_window->showMessage(text);
    // One box at a time, in the order given, each after the one before has been confirmed.
    for (const QString& text : texts) {
        QPointer<QMessageBox> box = m_window->openMessage();
        QVERIFY(box);
        QCOMPARE(box->text(), text);
        QTRY_VERIFY(box->isVisible());
        const QWidgetList windows = QApplication::topLevelWidgets();
        QCOMPARE(std::count_if(windows.begin(), windows.end(),
                               [](QWidget* w) { return qobject_cast<QMessageBox*>(w) && w->isVisible(); }),
                 1);
        box->button(QMessageBox::Ok)->click();
        QTRY_VERIFY(!box);
    }
    QVERIFY(!m_window->openMessage());
}

void TestTelvor::visibility()
{
    QVERIFY(m_window->isSetupVisible());
    m_window->setSetupVisible(false);
    QVERIFY(!m_window->isSetupVisible());
    QVERIFY(!m_window->isVisible());

    // A minimised setup comes back as a normal window.
    m_window->showMinimized();
    m_window->setSetupVisible(true);
    QVERIFY(m_window->isSetupVisible());
    QVERIFY(!(m_window->windowState() & Qt::WindowMinimized));
}

void TestTelvor::closeHides()
{
    QPointer<telvor::telvor> window = m_window.get();
    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);

    m_window->close();

    QVERIFY(window);
    QVERIFY(!m_window->isSetupVisible());
    QCOMPARE(lastClosed.size(), 0);
    m_window->setSetupVisible(true);
    QVERIFY(m_window->isSetupVisible());
}

QTEST_MAIN(TestTelvor)
#include "tst_telvor.moc"
