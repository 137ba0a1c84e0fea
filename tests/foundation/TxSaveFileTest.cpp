#include "TxSaveFile.h"

#include "TestUtil.h"
#include "TxIniFile.h"
#include "TxRegistry.h"
#include "TxXMLFiles.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// Larger than the room left, smaller than Qt's write buffer: the writes
// themselves succeed and only the flush finds the disk full.
const QByteArray Big(10000, 'x');

// Each writer saves over a file on a disk that is full, or nearly so; the old
// file must stay as it was and the failure be reported.
TEST(FullDisk, EveryWriterIsWholeOrReports)
{
    struct Case {
        const char* label;
        QByteArray old;
        // Saves Big over `file`; returns the failure's text, empty when none.
        std::function<QString(const QString& file)> save;
    };
    const auto message = [](const std::function<void()>& save) {
        try {
            save();
        } catch (const Exception& e) {
            return e.Message();
        }
        return QString();
    };
    const std::vector<Case> cases{
        {"atomic save", "old",
         [](const QString& file) {
             QString error;
             return SaveFileAtomically(file, Big, &error) ? QString() : "Unable to write to " + file + ": " + error;
         }},
        {"ini", "[Form]\nLeft=5\n",
         [&](const QString& file) {
             return message([&] { TIniFile(file).WriteString("Form", "Note", QString::fromLatin1(Big)); });
         }},
        {"xml", "<a><b>old</b></a>",
         [&](const QString& file) {
             return message([&] {
                 TXMLFile xml(file);
                 xml.SetText(xml.DocumentElement(), "b", QString::fromLatin1(Big));
                 xml.Save();
             });
         }},
        {"registry", "",
         [&](const QString&) {
             return message([&] {
                 TRegistryIniFile reg("Software\\T");
                 for (int i = 0; i < 50; ++i)
                     reg.WriteString("Form", QStringLiteral("Key%1").arg(i), QString::fromLatin1(Big.left(100)));
                 reg.UpdateFile();
             });
         }},
    };
    for (const qint64 room : {0, 4096}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.label) + " with room " + std::to_string(room));
            TFullDisk disk;
            const QString file = disk.File("settings");
            SetRegistryFileName(file);
            if (c.old.isEmpty()) {
                TRegistryIniFile reg("Software\\T");
                reg.WriteString("Form", "Left", "5");
                reg.UpdateFile();
            } else {
                disk.Write("settings", c.old);
            }
            const QByteArray old = ReadFileBytes(file);
            disk.Fill(room);
            EXPECT_TRUE(c.save(file).startsWith("Unable to write to " + file));
            EXPECT_EQ(ReadFileBytes(file), old);
            EXPECT_EQ(disk.Files(), QStringList{"settings"});
            SetRegistryFileName(QString());
        }
    }
}

} // namespace
