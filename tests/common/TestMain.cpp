#include <gmock/gmock.h>

#include <QApplication>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The application sets the user's locale, as the program's does; the
    // tests prove that no number follows it.
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Vozudarizazi"));
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
