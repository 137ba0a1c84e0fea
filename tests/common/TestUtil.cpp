#include "TestUtil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <stdexcept>

TTempFolder::TTempFolder()
{
    if (!FDir.isValid())
        throw std::runtime_error("cannot create a temporary folder");
}

QString TTempFolder::File(const QString& name) const
{
    return FDir.filePath(name);
}

QString TTempFolder::Write(const QString& name, const QByteArray& contents) const
{
    const QString path = File(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(contents) != contents.size())
        throw std::runtime_error("cannot write test file");
    return path;
}

QByteArray ReadFileBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QString TestDataDir()
{
    return QStringLiteral(VOZ_TEST_DATA_DIR);
}

void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << '[';
    for (qsizetype i = 0; i < list.size(); ++i)
        *os << (i ? ", " : "") << '"' << list[i].toStdString() << '"';
    *os << ']';
}
