#include "TestUtil.h"
#include "TxShell.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QString FindFile(const QString& folder, const QString& name)
{
    QDirIterator it(folder, {name}, QDir::Files, QDirIterator::Subdirectories);
    return it.hasNext() ? it.next() : QString();
}

// The build tree installed into a fresh prefix (with a blank in it, which
// the desktop entry must quote) starts from its desktop entry, away from the
// build tree and its own folder, and finds what ships beside it.
TEST(Install, TheDesktopEntryStartsTheInstalledProgram)
{
    TTempFolder dir;
    const QString prefix = dir.File("install prefix");
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(VOZ_CMAKE_COMMAND), {"--install", QStringLiteral(VOZ_BUILD_DIR), "--prefix", prefix});
    ASSERT_TRUE(install.waitForFinished(120000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAll().toStdString();

    const QString entry = prefix + "/share/applications/vozudarizazi.desktop";
    QString icon;
    QString name;
    const QString exec = ReadDesktopExec(entry, &icon, &name);
    const TCommandLine command = ExpandDesktopExec(exec, QString(), icon, name, entry);
    EXPECT_EQ(command.Program, prefix + "/program/vozudarizazi") << exec.toStdString();
    EXPECT_TRUE(command.Arguments.isEmpty()) << exec.toStdString();
    EXPECT_TRUE(icon.startsWith(prefix + "/") && QFileInfo(icon).isFile()) << icon.toStdString();
    EXPECT_EQ(QSettings(entry, QSettings::IniFormat).value("Desktop Entry/Path").toString(), prefix + "/program");
    EXPECT_TRUE(QFileInfo(prefix + "/catalog/index.htm").isFile());

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString home = dir.File("home");
    QDir().mkpath(home);
    env.insert("HOME", home);
    env.insert("XDG_CONFIG_HOME", home + "/.config");
    env.insert("XDG_DATA_HOME", home + "/.local/share");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess program;
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(home);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(command.Program, command.Arguments);
    ASSERT_TRUE(program.waitForStarted(10000));
    // Up: it has seeded the user's documents from its own folder and made
    // its settings folder; then its windows come and it keeps running.
    const bool seeded = QTest::qWaitFor(
        [&] { return !FindFile(home, "Logo.gif").isEmpty() || program.state() == QProcess::NotRunning; }, 60000);
    EXPECT_TRUE(seeded && !FindFile(home, "Logo.gif").isEmpty());
    EXPECT_TRUE(QFileInfo(home + "/.config/DEZ Uder/vozudarizazi").isDir());
    EXPECT_FALSE(program.waitForFinished(2000)) << "ended with " << program.exitCode();
    program.terminate();
    if (!program.waitForFinished(10000)) {
        program.kill();
        program.waitForFinished(10000);
    }
}

} // namespace
