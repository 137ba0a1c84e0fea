#include <gmock/gmock.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <utility>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Whatever the user's own settings, documents and projects hold, the
    // tests start from an empty home.
    QTemporaryDir home;
    if (!home.isValid()) {
        std::fprintf(stderr, "cannot create a temporary home folder\n");
        return 1;
    }
    const QString root = home.path();
    const std::pair<const char*, const char*> folders[] = {{"HOME", "home"},          {"XDG_CONFIG_HOME", "config"},
                                                           {"XDG_DATA_HOME", "data"}, {"XDG_CACHE_HOME", "cache"},
                                                           {"XDG_RUNTIME_DIR", "runtime"}};
    for (const auto& [name, sub] : folders) {
        const QString dir = root + "/" + QLatin1String(sub);
        QDir().mkpath(dir);
        qputenv(name, QFile::encodeName(dir));
    }
    QFile::setPermissions(root + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // Qt's own settings (the file dialogs' history) stay here, not in a
    // configuration home a test points elsewhere and then removes.
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, root + "/config");
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
