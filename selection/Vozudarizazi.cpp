// The program's entry point.
#include "TxPlatform.h"
#include "VozVersion.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

#include <clocale>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // Numbers in files and on screen never follow the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral(VOZ_PRODUCT_NAME));
    QApplication::setApplicationDisplayName(QStringLiteral(VOZ_PRODUCT_NAME));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/vozudarizazi.png")));

    TMessageBoxService messages;
    SetMessageService(&messages);

    QMainWindow window;
    window.setWindowTitle(QStringLiteral(VOZ_PRODUCT_NAME " " VOZ_VERSION_TEXT));
    window.setCentralWidget(new QLabel(QStringLiteral("Vozudarizazi"), &window));
    window.resize(629, 531);
    window.show();
    return QApplication::exec();
}
