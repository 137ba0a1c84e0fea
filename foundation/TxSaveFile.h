#pragma once

#include <QByteArray>
#include <QString>

// Makes `bytes` the whole content of `fileName`, or changes nothing: they go
// to a temporary file beside it, every write and the sync to disk are
// checked, and only then is it renamed over the old file. A name that links
// to a regular file writes that file; a name that leads, links followed, to
// anything else (a device, a FIFO, a socket, a folder) is refused before
// anything is written, with the reason "Not a regular file". On failure the
// old file stays byte for byte, the result is false and `error` (when given)
// holds the reason.
bool SaveFileAtomically(const QString& fileName, const QByteArray& bytes, QString* error = nullptr);

// Makes `folder` and every missing folder above it. False when one cannot be
// made, with `error` (when given) naming it and the system's reason ("Cannot
// create the folder <name>: Permission denied"), not what a later write into
// the missing folder would say.
bool MakeFolderPath(const QString& folder, QString* error = nullptr);
