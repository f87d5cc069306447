#include "screensaver/forms/frmConfig.h"

#include "common/SettingsNames.h"
#include "common/Twips.h"
#include "screensaver/core/LocaleNumber.h"
#include "screensaver/forms/ErrorBox.h"
#include "screensaver/forms/FormStyle.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <utility>

namespace telvor {

namespace {

const QSize kClientSize(px(5310), px(1980));
const QColor kLightGrey(224, 224, 224);
constexpr qreal kBoxPointSize = 10.5;
constexpr qreal kButtonPointSize = 12;

} // namespace

frmConfig::frmConfig(SettingsStore store, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      lblInterval(new QLabel(QStringLiteral("Aktualisierung:"), this)), txtInterval(new QLineEdit(this)),
      Label1(new QLabel(QStringLiteral("in Millisekunden"), this)),
      lbl_pfad(new QLabel(QStringLiteral("Verzeichniss:"), this)), txt_pfad(new QLineEdit(this)),
      cmdAbort(new QPushButton(QStringLiteral("&Abbruch"), this)),
      cmdAccept(new QPushButton(QStringLiteral("&Ü&bernehmen"), this)), m_store(std::move(store))
{
    setObjectName(QStringLiteral("frmConfig"));
    setWindowTitle(QStringLiteral("Einstellungen"));
    setFixedSize(kClientSize);
    paint(*this, kLightGrey);

    const auto place = [](QWidget* control, const char* name, const QRect& rect, qreal pointSize) {
        control->setObjectName(QLatin1String(name));
        control->setGeometry(rect);
        control->setFont(arialFont(pointSize, true));
    };
    place(lblInterval, "lblInterval", twips(120, 732, 1536, 240), kBoxPointSize);
    place(txtInterval, "txtInterval", twips(1770, 720, 876, 240), kBoxPointSize);
    place(Label1, "Label1", twips(2880, 720, 2250, 240), kBoxPointSize);
    place(lbl_pfad, "lbl_pfad", twips(120, 1080, 1536, 240), kBoxPointSize);
    place(txt_pfad, "txt_pfad", twips(1800, 1080, 3372, 240), kBoxPointSize);
    place(cmdAbort, "cmdAbort", twips(120, 1440, 1596, 444), kButtonPointSize);
    place(cmdAccept, "cmdAccept", twips(3600, 1440, 1632, 444), kButtonPointSize);
    for (QLabel* label : {lblInterval, Label1, lbl_pfad})
        label->setTextFormat(Qt::PlainText);

    setTabOrder(cmdAbort, cmdAccept);
    setTabOrder(cmdAccept, txtInterval);
    setTabOrder(txtInterval, txt_pfad);

    txtInterval->installEventFilter(this);
    connect(cmdAccept, &QPushButton::clicked, this, [this] { cmdAccept_Click(); });
    connect(cmdAbort, &QPushButton::clicked, this, &QWidget::close);
}

void frmConfig::Form_Load()
{
    txtInterval->setText(m_store.read(settings::kSection, settings::kInterval, settings::kDefaultInterval));
    txt_pfad->setText(m_store.read(settings::kSection, settings::kPath, settings::kDefaultPath));
    centreOnScreen(*this);
    show();
    cmdAbort->setFocus(Qt::OtherFocusReason);
}

bool frmConfig::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtInterval && event->type() == QEvent::FocusIn)
        txtInterval_GotFocus();
    return QWidget::eventFilter(watched, event);
}

void frmConfig::txtInterval_GotFocus()
{
    // After the click that gave the focus has placed the cursor: typing then replaces the whole value.
    QTimer::singleShot(0, txtInterval, [this] { txtInterval->selectAll(); });
}

void frmConfig::cmdAccept_Click()
{
    if (!localeNumber(txtInterval->text(), QLocale())) {
        openErrorBox(this, QStringLiteral("Fehler:"), QStringLiteral("Der Interval-Wert muß numerisch sein."));
        return;
    }
    if (const std::optional<QString> problem = m_store.write(
            settings::kSection, {{settings::kInterval, txtInterval->text()}, {settings::kPath, txt_pfad->text()}})) {
        openErrorBox(this, QStringLiteral("Fehler:"),
                     QStringLiteral("Die Einstellungen wurden nicht gespeichert.\n") + *problem);
        return;
    }
    close();
}

} // namespace telvor
