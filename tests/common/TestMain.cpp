#include <gmock/gmock.h>

#include <QApplication>

#include <clocale>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The application sets the user's locale, as the program's does; the
    // tests prove that no number follows it.
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Vozudarizazi"));
    // Runs meant to prove that numbers never follow the locale must really
    // have a locale with a decimal comma.
    if (qgetenv("LC_ALL").startsWith("de_DE") && std::strcmp(std::localeconv()->decimal_point, ",") != 0) {
        std::fprintf(stderr, "LC_ALL asks for a German locale, but it is not installed\n");
        return 1;
    }
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
