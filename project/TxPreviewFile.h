#pragma once

#include "TxErrors.h"
#include "TxPreviewPage.h"

#include <QByteArray>
#include <QString>

#include <vector>

// A preview file (".ppv"): the pages of a print preview with the name of
// their paper. Layout: a fixed head ("VZPP", format version, flags), the
// length of the body, the body, and the SHA-256 of the body. The body holds
// the paper name and, per page, its units, sheet size and commands
// (TxPageStream). What the pages hold and cost is checked first, from their
// commands and the pictures' headers; then the checksum; then the pictures
// are decoded.

inline constexpr quint16 PreviewFileVersion = 1;

// A file that is not a preview file, or is damaged, cut short or newer.
class EPreviewFileError : public Exception {
public:
    using Exception::Exception;
};

struct TPreviewFileContents {
    QString PaperName;
    std::vector<TPreviewPage> Pages;
};

QByteArray PreviewFileBytes(const TPreviewFileContents& contents);
// Raises EPreviewFileError naming `fileName` in its message.
TPreviewFileContents ParsePreviewFile(const QByteArray& bytes, const QString& fileName);

// Writes through a temporary file, so a failed save keeps the old file;
// raises EInOutError "Unable to write to <file>", also for pages that the
// file could not be loaded with again.
void WritePreviewFile(const QString& fileName, const TPreviewFileContents& contents);
// Raises EInOutError when the file cannot be read, EPreviewFileError when
// it is not a sound preview file.
TPreviewFileContents ReadPreviewFile(const QString& fileName);
