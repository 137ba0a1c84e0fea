#pragma once

#include <QByteArray>
#include <QString>

// Makes `bytes` the whole content of `fileName`, or changes nothing: they go
// to a temporary file beside it, every write and the sync to disk are
// checked, and only then is it renamed over the old file. On failure the old
// file stays byte for byte, the result is false and `error` (when given)
// holds the system's reason.
bool SaveFileAtomically(const QString& fileName, const QByteArray& bytes, QString* error = nullptr);
