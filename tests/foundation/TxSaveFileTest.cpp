#include "TxSaveFile.h"

#include "SettingsTestUtil.h"
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
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Larger than the room left, smaller than Qt's write buffer: the writes
// themselves succeed and only the flush finds the disk full.
const QByteArray Big(10000, 'x');

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
             return FailureOf<Exception>([&] { TIniFile(file).WriteString("Form", "Note", QString::fromLatin1(Big)); });
         }},
        {"xml", "<a><b>old</b></a>",
         [](const QString& file) {
             return FailureOf<Exception>([&] {
                 TXMLFile xml(file);
                 xml.SetText(xml.DocumentElement(), "b", QString::fromLatin1(Big));
                 xml.Save();
             });
         }},
        {"registry", "[Software]\nT\\Form\\Left=5\n",
         [](const QString& file) {
             SetRegistryFileName(file);
             const QString failure = FailureOf<Exception>([&] {
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

mode_t ModeOf(const QString& file, bool followLinks = true)
{
    struct stat st {};
    return (followLinks ? ::stat : ::lstat)(QFile::encodeName(file).constData(), &st) == 0 ? st.st_mode & S_IFMT : 0;
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

// The writers that take the settings lock: "ini" and "registry".
std::vector<Writer> LockingWriters()
{
    return {Writers()[1], Writers()[3]};
}

// Opens as a user other than root: a file its owner may not write is not
// opened for writing.
int OpenAsUser(const char* name, int flags, mode_t mode)
{
    struct stat st {};
    const bool denied = (flags & O_ACCMODE) != O_RDONLY && ::stat(name, &st) == 0 && !(st.st_mode & S_IWUSR);
    return denied ? (errno = EACCES, -1) : ::open(name, flags, mode);
}

// Whatever stands at "<file>.lock", a settings save ends at once: what is no
// regular file is said and left; a file, however large, old, garbled or
// read-only, is taken unread and removed.
TEST(LockFiles, ASaveEndsAtOnceWhateverStandsThere)
{
    const std::pair<const char*, std::function<void(const TTempFolder& dir, const QString& lock)>> cases[] = {
        {"fifo", [](const TTempFolder&, const QString& lock) { ::mkfifo(QFile::encodeName(lock).constData(), 0600); }},
        {"folder", [](const TTempFolder&, const QString& lock) { QDir().mkpath(lock); }},
        {"dangling link", [](const TTempFolder& dir, const QString& lock) { QFile::link(dir.File("nowhere"), lock); }},
        {"link to a file",
         [](const TTempFolder& dir, const QString& lock) { QFile::link(dir.Write("other", QByteArray("x")), lock); }},
        {"huge sparse file an hour old",
         [](const TTempFolder&, const QString& lock) {
             QFile f(lock);
             ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.resize(2LL * 1024 * 1024 * 1024));
             f.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime);
         }},
        {"garbage written just now",
         [](const TTempFolder& dir, const QString&) {
             dir.Write("settings.lock", QByteArray("\x01garbage\n-1\n\xff"));
         }},
        {"empty file", [](const TTempFolder& dir, const QString&) { dir.Write("settings.lock", QByteArray()); }},
        {"file its user may not write",
         [](const TTempFolder& dir, const QString&) {
             QFile::setPermissions(dir.Write("settings.lock", QByteArray()), QFile::ReadOwner);
             SetLockCalls({OpenAsUser, ::flock});
         }},
    };
    for (const Writer& w : LockingWriters()) {
        for (const auto& [label, make] : cases) {
            SCOPED_TRACE(std::string(w.label) + " with a lock that is a " + label);
            TTempFolder dir;
            const QString file = dir.Write("settings", w.old);
            const QString lock = file + ".lock";
            const TScopedLockCalls system(SystemLockCalls());
            make(dir, lock);
            const mode_t mode = ModeOf(lock, false);
            ASSERT_NE(mode, 0u);
            const bool refused = mode != S_IFREG;
            EXPECT_EQ(w.save(file),
                      refused ? "Unable to write to " + file + ": Its lock file " + lock + " is not a regular file"
                              : "");
            if (refused)
                EXPECT_EQ(ReadFileBytes(file), w.old);
            else
                EXPECT_TRUE(ReadFileBytes(file).contains(Big.left(100)));
            EXPECT_EQ(ModeOf(lock, false), refused ? mode : 0u);
        }
    }
}

// A settings file whose folder cannot be made is refused with the reason the
// system gave for that folder, not with what opening a file there would say.
TEST(LockFiles, AFolderThatCannotBeMadeIsSaidWithItsReason)
{
    // The folder that cannot be made, and why.
    const std::pair<std::function<QString(const TTempFolder& dir)>, int> cases[] = {
        {[](const TTempFolder& dir) { return dir.Write("file", QByteArray("x")); }, ENOTDIR},
        {[](const TTempFolder& dir) {
             QFile::link(dir.File("gone"), dir.File("link"));
             return dir.File("link");
         },
         EEXIST},
        {[](const TTempFolder& dir) {
             QDir().mkpath(dir.File("locked"));
             QFile::setPermissions(dir.File("locked"), QFile::ReadOwner | QFile::ExeOwner);
             return dir.File("locked/DEZ Uder");
         },
         EACCES},
    };
    for (const Writer& w : LockingWriters()) {
        for (const auto& [make, error] : cases) {
            SCOPED_TRACE(std::string(w.label) + " " + std::strerror(error));
            if (error == EACCES && ::geteuid() == 0)
                continue; // permissions do not stop root
            TTempFolder dir;
            const QString folder = make(dir);
            const QString file = folder + "/Vozudarizazi/settings";
            EXPECT_EQ(w.save(file), "Unable to write to " + file + ": Cannot create the folder " + folder + ": " +
                                        QString::fromLocal8Bit(std::strerror(error)));
        }
    }
}

// Another copy of the program holding the lock of `fileName` while the
// object lives: a lock on an open file of its own, as a process holds it.
class TLockHolder {
public:
    explicit TLockHolder(const QString& fileName)
        : FFd(::open(QFile::encodeName(fileName + ".lock").constData(), O_RDWR | O_CREAT, 0600)),
          FHolds(FFd >= 0 && ::flock(FFd, LOCK_EX | LOCK_NB) == 0)
    {
    }
    ~TLockHolder() { ::close(FFd); }
    bool Holds() const { return FHolds; }

private:
    int FFd;
    bool FHolds;
};

// A save waits for another copy of the program to let go of the lock, and is
// refused, saying why, when it waits too long; a copy that ends lets go.
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
        {
            // Another copy takes the lock file over between the open and the
            // lock: what was locked must still be the lock file.
            static QString replaced;
            static std::unique_ptr<TLockHolder> next;
            replaced = file;
            const TScopedLockCalls replace({SystemLockCalls().Open, [](int fd, int operation) {
                                                if (!next && QFile::remove(replaced + ".lock"))
                                                    next = std::make_unique<TLockHolder>(replaced);
                                                return ::flock(fd, operation);
                                            }});
            EXPECT_EQ(LockSettingsFile(file, error, 20), nullptr);
            ASSERT_TRUE(next && next->Holds());
            next.reset();
        }
        EXPECT_NE(LockSettingsFile(file, error, 0), nullptr) << "an ended holder's lock is gone at once";
        auto holder = std::make_unique<TLockHolder>(file);
        ASSERT_TRUE(holder->Holds());
        std::thread ends([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            holder.reset();
        });
        EXPECT_EQ(w.save(file), "");
        ends.join();
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
