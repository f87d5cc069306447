// A stand-in for another program on the desktop: a window of one plain colour, full-screen or
// normal, that writes every character typed into it to a file. The desktop tests use it as the
// presentation the alarm must cover and as the mail the user types while the alarm flashes.
//
//   desktop_probe [--fullscreen] [--colour NAME] [--title TEXT] [--keys FILE]

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QKeyEvent>
#include <QWidget>

namespace {

class ProbeWindow final : public QWidget {
public:
    explicit ProbeWindow(const QString& keysPath) : m_keys(keysPath)
    {
        if (!keysPath.isEmpty())
            m_keys.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (m_keys.isOpen() && !event->text().isEmpty())
            m_keys.write(event->text().toUtf8());
    }

private:
    QFile m_keys;
};

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption fullScreen(QStringLiteral("fullscreen"));
    const QCommandLineOption colour(QStringLiteral("colour"), QString(), QStringLiteral("name"),
                                    QStringLiteral("green"));
    const QCommandLineOption title(QStringLiteral("title"), QString(), QStringLiteral("text"), QStringLiteral("probe"));
    const QCommandLineOption keys(QStringLiteral("keys"), QString(), QStringLiteral("file"));
    parser.addOptions({fullScreen, colour, title, keys});
    parser.process(app);

    ProbeWindow window(parser.value(keys));
    window.setWindowTitle(parser.value(title));
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(parser.value(colour)));
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    window.resize(640, 400);
    if (parser.isSet(fullScreen))
        window.showFullScreen();
    else
        window.show();
    return QApplication::exec();
}
