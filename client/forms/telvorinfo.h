#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace telvor {

/** The info window: maker, product and version. "Schliessen" only hides it; "Info" shows it again. */
class telvorinfo final : public QWidget {
    Q_OBJECT
public:
    explicit telvorinfo(QWidget* parent = nullptr);

    /** Makes the window visible, starting it first on its first use. */
    void showInfo();

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QPushButton* Command1;
    QLabel* Image1;
    QLabel* Image2;

private:
    void Form_Load();
    void Command1_Click();

    bool m_loaded = false;
};

} // namespace telvor
