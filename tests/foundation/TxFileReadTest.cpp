#include "TestUtil.h"
#include "TxErrors.h"
#include "TxFileRead.h"
#include "TxIniFile.h"
#include "TxString.h"
#include "TxXMLFiles.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// Names that lead to something no reader may read whole: each reader gives
// up at once, the way it gives up on a bad file, and says which file.
TEST(WholeFileReaders, RefuseDevicesFifosFoldersAndHugeFiles)
{
    TTempFolder dir;
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.File("fifo")).constData(), 0600), 0);
    QFile::link("/dev/zero", dir.File("zero"));
    QFile::link(dir.File("fifo"), dir.File("fifo-link"));
    QDir().mkpath(dir.File("folder"));
    ASSERT_TRUE(QFile(dir.Write("huge", QByteArray("[A]\nx=1\n"))).resize(MaxReadFileSize + 1));
    const struct {
        const char* name;
        TFileKind kind;
    } cases[] = {{"zero", TFileKind::NotRegular},
                 {"fifo", TFileKind::NotRegular},
                 {"fifo-link", TFileKind::NotRegular},
                 {"folder", TFileKind::NotRegular},
                 {"huge", TFileKind::TooLarge}};
    for (const auto& c : cases) {
        const QString file = dir.File(c.name);
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CheckFileToRead(file), c.kind);
        QByteArray bytes("old");
        QString error;
        EXPECT_FALSE(ReadWholeFile(file, bytes, error));
        EXPECT_EQ(bytes, "old");
        EXPECT_TRUE(error.contains('"' + file + '"')) << error.toStdString();
        EXPECT_EQ(error.contains("larger than 64 MB"), c.kind == TFileKind::TooLarge) << error.toStdString();

        TXMLFile xml(file);
        EXPECT_EQ(xml.ReadStatus(), xrsInvalidFormat);
        EXPECT_EQ(xml.ErrorText(), error);
        EXPECT_EQ(TIniFile(file).ReadString("A", "x", "d"), "d");
        TStringDynArray lines{"kept"};
        if (c.kind == TFileKind::TooLarge)
            EXPECT_THROW(LoadLinesFromFile(file, lines), EInOutError);
        else
            LoadLinesFromFile(file, lines);
        EXPECT_EQ(lines, QStringList{"kept"});
        TPictureReader picture(file);
        EXPECT_TRUE(picture.read().isNull());
        EXPECT_EQ(picture.errorString(), error);
    }

    // A file of the bound itself is read.
    QByteArray bytes;
    QString error;
    EXPECT_TRUE(ReadWholeFile(dir.Write("four", QByteArray("1234")), bytes, error, 4));
    EXPECT_EQ(bytes, "1234");
    EXPECT_FALSE(ReadWholeFile(dir.File("four"), bytes, error, 3));
}

} // namespace
