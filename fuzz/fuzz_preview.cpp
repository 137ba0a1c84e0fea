// Preview files and page commands from anywhere: reading must never crash,
// and what was read must play and read back the same.
#include "TxPageStream.h"
#include "TxPreviewFile.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSize>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static auto* app = new QGuiApplication(*argc, *argv);
    (void)app;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    // A whole file: its checksum keeps most changes out of the body, so the
    // commands are also read on their own below.
    try {
        const TPreviewFileContents contents = ParsePreviewFile(bytes, QStringLiteral("fuzz.ppv"));
        if (ParsePreviewFile(PreviewFileBytes(contents), QStringLiteral("again.ppv")).Pages.size() !=
            contents.Pages.size())
            std::abort();
    } catch (const EPreviewFileError&) {
    }

    // On a small sheet of pixels and a large one of fine units.
    for (const TPageSheet& sheet : {TPageSheet{QSize(64, 64), 96}, TPageSheet{QSize(21000, 29700), 2540}}) {
        TPageDrawing page;
        QString error;
        // What reads passes the checks that go before decoding.
        const bool checked = CheckPageCommands(bytes, sheet, error);
        if (!CommandsToPage(bytes, sheet, page, error))
            continue;
        if (!checked)
            std::abort();
        QImage image(64, 64, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        page.Play(painter);
    }
    return 0;
}
