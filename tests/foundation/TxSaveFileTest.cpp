#include "TxSaveFile.h"

#include "TestUtil.h"
#include "TxIniFile.h"
#include "TxRegistry.h"
#include "TxXMLFiles.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Larger than the room left, smaller than Qt's write buffer: the writes
// themselves succeed and only the flush finds the disk full.
const QByteArray Big(10000, 'x');

QString FailureOf(const std::function<void()>& save)
{
    try {
        save();
    } catch (const Exception& e) {
        return e.Message();
    }
    return QString();
}

// Every writer, saving Big over `file`; each gives the failure's text, empty
// when there is none.
struct Writer {
    const char* label;
    QByteArray old; // what it wrote before
    std::function<QString(const QString& file)> save;
};
const std::vector<Writer>& Writers()
{
    static const std::vector<Writer> writers{
        {"atomic save", "old",
         [](const QString& file) {
             QString error;
             return SaveFileAtomically(file, Big, &error) ? QString() : "Unable to write to " + file + ": " + error;
         }},
        {"ini", "[Form]\nLeft=5\n",
         [](const QString& file) {
             return FailureOf([&] { TIniFile(file).WriteString("Form", "Note", QString::fromLatin1(Big)); });
         }},
        {"xml", "<a><b>old</b></a>",
         [](const QString& file) {
             return FailureOf([&] {
                 TXMLFile xml(file);
                 xml.SetText(xml.DocumentElement(), "b", QString::fromLatin1(Big));
                 xml.Save();
             });
         }},
        {"registry", "[Software]\nT\\Form\\Left=5\n",
         [](const QString& file) {
             SetRegistryFileName(file);
             const QString failure = FailureOf([&] {
                 TRegistryIniFile reg("Software\\T");
                 for (int i = 0; i < 50; ++i)
                     reg.WriteString("Form", QStringLiteral("Key%1").arg(i), QString::fromLatin1(Big.left(100)));
                 reg.UpdateFile();
             });
             SetRegistryFileName(QString());
             return failure;
         }},
    };
    return writers;
}

// Each writer saves over a file on a disk that is full, or nearly so; the old
// file must stay as it was and the failure be reported.
TEST(FullDisk, EveryWriterIsWholeOrReports)
{
    for (const qint64 room : {0, 4096}) {
        for (const Writer& w : Writers()) {
            SCOPED_TRACE(std::string(w.label) + " with room " + std::to_string(room));
            TFullDisk disk;
            const QString file = disk.Write("settings", w.old);
            disk.Fill(room);
            EXPECT_TRUE(w.save(file).startsWith("Unable to write to " + file));
            EXPECT_EQ(ReadFileBytes(file), w.old);
            EXPECT_EQ(disk.Files(), QStringList{"settings"});
        }
    }
}

mode_t ModeOf(const QString& file)
{
    struct stat st {};
    return ::stat(QFile::encodeName(file).constData(), &st) == 0 ? st.st_mode & S_IFMT : 0;
}

// A save puts no regular file in the place of what the name leads to,
// unless that is a regular file, which a link leads the save to.
TEST(SpecialTargets, AreRefusedAndLinksToFilesWrittenThrough)
{
    TTempFolder dir;
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.File("fifo")).constData(), 0600), 0);
    QFile::link(dir.File("fifo"), dir.File("fifo-link"));
    QDir().mkpath(dir.File("folder"));
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath = QFile::encodeName(dir.File("socket"));
    ASSERT_LT(size_t(socketPath.size()), sizeof address.sun_path);
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    for (const Writer& w : Writers()) {
        for (const char* name : {"fifo", "fifo-link", "socket", "folder"}) {
            SCOPED_TRACE(std::string(w.label) + " over " + name);
            const QString file = dir.File(name);
            const mode_t mode = ModeOf(file);
            EXPECT_TRUE(w.save(file).startsWith("Unable to write to " + file + ": Not a regular file"));
            EXPECT_EQ(ModeOf(file), mode);
        }
        SCOPED_TRACE(w.label);
        const QString target = dir.Write("target", w.old);
        QFile::remove(dir.File("target-link"));
        QFile::link(target, dir.File("target-link"));
        EXPECT_EQ(w.save(dir.File("target-link")), "");
        EXPECT_TRUE(ReadFileBytes(target).contains(Big.left(100)));
        EXPECT_TRUE(QFileInfo(dir.File("target-link")).isSymLink());
    }
    ::close(sock);
    EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name),
              (QStringList{"fifo", "fifo-link", "socket", "target", "target-link"}));
}

// Two copies of the program changing one settings file at once lose no
// change; a lock left behind by a copy that was killed stops neither.
TEST(TwoWriters, LoseNoChangeAndOutliveALeftLock)
{
    TTempFolder dir;
    for (const bool registry : {false, true}) {
        SCOPED_TRACE(registry ? "registry" : "ini");
        const QString file = dir.File(registry ? "registry.conf" : "prog.ini");
        SetRegistryFileName(file);
        const auto write = [&](const QString& key) {
            if (!registry)
                return TIniFile(file).WriteString("S", key, "1");
            TRegistryIniFile reg("Software\\T");
            reg.WriteString("S", key, "1");
            reg.UpdateFile();
        };
        const auto writeMany = [&](char who) {
            for (int i = 0; i < 40; ++i)
                write(QStringLiteral("%1%2").arg(who).arg(i));
        };
        std::thread a(writeMany, 'a');
        std::thread b(writeMany, 'b');
        a.join();
        b.join();

        // Its owner unknown, untouched for a minute.
        QFile left(dir.Write(QFileInfo(file).fileName() + ".lock", QByteArray("?")));
        ASSERT_TRUE(left.open(QIODevice::ReadWrite));
        left.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime);
        left.close();
        QElapsedTimer waited;
        waited.start();
        write("last");
        EXPECT_LT(waited.elapsed(), 5000) << "the writer waited for a lock that nobody holds";
        EXPECT_EQ(registry ? TRegistryIniFile("Software\\T").ReadSection("S").size()
                           : TIniFile(file).ReadSection("S").size(),
                  81);
        SetRegistryFileName(QString());
    }
}

} // namespace
