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

#include <algorithm>
#include <functional>
#include <thread>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
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

mode_t LinkModeOf(const QString& file)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(file).constData(), &st) == 0 ? st.st_mode & S_IFMT : 0;
}

// The writers that take the settings lock.
std::vector<Writer> LockingWriters()
{
    std::vector<Writer> result;
    for (const Writer& w : Writers())
        if (w.label == std::string("ini") || w.label == std::string("registry"))
            result.push_back(w);
    return result;
}

// Whatever stands at "<file>.lock", a settings save ends at once: refused
// with the reason when it is no lock file, and then left as it is; taken,
// never read, and gone afterwards when it is a regular file, however large,
// old or garbled.
TEST(LockFiles, ASaveEndsAtOnceWhateverStandsThere)
{
    struct Case {
        const char* label;
        std::function<void(const TTempFolder& dir, const QString& lock)> make;
        bool refused;
    };
    const Case cases[] = {
        {"fifo", [](const TTempFolder&, const QString& lock) { ::mkfifo(QFile::encodeName(lock).constData(), 0600); },
         true},
        {"folder", [](const TTempFolder&, const QString& lock) { QDir().mkpath(lock); }, true},
        {"dangling link", [](const TTempFolder& dir, const QString& lock) { QFile::link(dir.File("nowhere"), lock); },
         true},
        {"link to a file",
         [](const TTempFolder& dir, const QString& lock) { QFile::link(dir.Write("other", QByteArray("x")), lock); },
         true},
        {"huge sparse file an hour old",
         [](const TTempFolder&, const QString& lock) {
             QFile f(lock);
             ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.resize(2LL * 1024 * 1024 * 1024));
             f.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime);
         },
         false},
        {"garbage written just now",
         [](const TTempFolder& dir, const QString& lock) {
             dir.Write(QFileInfo(lock).fileName(), QByteArray("\x01garbage\n-1\n\xff"));
         },
         false},
        {"empty file",
         [](const TTempFolder& dir, const QString& lock) { dir.Write(QFileInfo(lock).fileName(), QByteArray()); },
         false},
    };
    for (const Writer& w : LockingWriters()) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(w.label) + " with a lock that is a " + c.label);
            TTempFolder dir;
            const QString file = dir.Write("settings", w.old);
            const QString lock = file + ".lock";
            c.make(dir, lock);
            const mode_t mode = LinkModeOf(lock);
            ASSERT_NE(mode, 0u);
            const QString failure = w.save(file);
            if (c.refused) {
                EXPECT_EQ(failure, "Unable to write to " + file + ": Its lock file " + lock + " is not a regular file");
                EXPECT_EQ(ReadFileBytes(file), w.old);
                EXPECT_EQ(LinkModeOf(lock), mode);
            } else {
                EXPECT_EQ(failure, "");
                EXPECT_TRUE(ReadFileBytes(file).contains(Big.left(100)));
                EXPECT_EQ(LinkModeOf(lock), 0u);
            }
        }
    }
}

// A settings file whose folder cannot be made is refused with the reason the
// system gave for that folder, not with what opening a file in a folder that
// is not there would say.
TEST(LockFiles, AFolderThatCannotBeMadeIsSaidWithItsReason)
{
    struct Case {
        const char* label;
        // The folder that cannot be made, below which the settings go.
        std::function<QString(const TTempFolder& dir)> make;
        int error;
    };
    const Case cases[] = {
        {"below a file", [](const TTempFolder& dir) { return dir.Write("file", QByteArray("x")); }, ENOTDIR},
        {"a broken link",
         [](const TTempFolder& dir) {
             QFile::link(dir.File("gone"), dir.File("link"));
             return dir.File("link");
         },
         EEXIST},
        {"a folder nobody may write into",
         [](const TTempFolder& dir) {
             QDir().mkpath(dir.File("locked"));
             QFile::setPermissions(dir.File("locked"), QFile::ReadOwner | QFile::ExeOwner);
             return dir.File("locked/DEZ Uder");
         },
         EACCES},
    };
    for (const Writer& w : LockingWriters()) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(w.label) + " " + c.label);
            if (c.error == EACCES && ::geteuid() == 0)
                continue; // permissions do not stop root
            TTempFolder dir;
            const QString folder = c.make(dir);
            const QString file = folder + "/Vozudarizazi/settings";
            EXPECT_EQ(w.save(file), "Unable to write to " + file + ": Cannot create the folder " + folder + ": " +
                                        QString::fromLocal8Bit(std::strerror(c.error)));
        }
    }
}

// A process of its own that holds the lock of `fileName` until it is killed
// or, given `holdMs`, until it ends by itself after that long.
class TLockHolder {
public:
    explicit TLockHolder(const QString& fileName, int holdMs = -1)
    {
        const QByteArray name = QFile::encodeName(fileName + ".lock");
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        FPid = ::fork();
        if (FPid == 0) {
            const int fd = ::open(name.constData(), O_RDWR | O_CREAT, 0600);
            const char ok = fd >= 0 && ::flock(fd, LOCK_EX) == 0 ? '1' : '0';
            if (::write(ready[1], &ok, 1) != 1 || holdMs >= 0) {
                ::usleep(useconds_t(std::max(holdMs, 0)) * 1000);
                ::_exit(0);
            }
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        char ok = '0';
        FHolds = FPid > 0 && ::read(ready[0], &ok, 1) == 1 && ok == '1';
        ::close(ready[0]);
    }
    ~TLockHolder()
    {
        if (FPid > 0) {
            ::kill(FPid, SIGKILL);
            ::waitpid(FPid, nullptr, 0);
        }
    }
    TLockHolder(const TLockHolder&) = delete;
    TLockHolder& operator=(const TLockHolder&) = delete;
    bool Holds() const { return FHolds; }

private:
    pid_t FPid = -1;
    bool FHolds = false;
};

// Another copy of the program that keeps the lock longer than a save waits
// has the save refused, saying why; one that lets go meanwhile has it wait
// and go on. A copy that ends, killed or not, takes its lock with it.
TEST(LockFiles, AHolderStopsSavesUntilItEnds)
{
    for (const Writer& w : LockingWriters()) {
        SCOPED_TRACE(w.label);
        TTempFolder dir;
        const QString file = dir.Write("settings", w.old);
        QString error;
        {
            TLockHolder holder(file);
            ASSERT_TRUE(holder.Holds());
            EXPECT_EQ(LockSettingsFile(file, error, 20), nullptr);
            EXPECT_EQ(error, "Another program keeps it locked");
        }
        EXPECT_NE(LockSettingsFile(file, error, 0), nullptr) << "a killed holder's lock is gone at once";
        {
            TLockHolder holder(file, 100);
            ASSERT_TRUE(holder.Holds());
            EXPECT_EQ(w.save(file), "");
        }
        EXPECT_TRUE(ReadFileBytes(file).contains(Big.left(100)));
        EXPECT_FALSE(QFileInfo::exists(file + ".lock"));
    }
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
