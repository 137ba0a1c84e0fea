#include "TxVerInfo.h"

#include "TxFormat.h"
#include "VozVersion.h"

#include <QCoreApplication>
#include <QFileInfo>

TVersionResource ProgramVersionResource()
{
    TVersionResource r;
    r.Strings = {QStringLiteral("DEZ Uder"),
                 QStringLiteral("Duct silencer selection"),
                 QStringLiteral(VOZ_VERSION_TEXT),
                 QStringLiteral("vozudarizazi"),
                 QString(),
                 QString(),
                 QStringLiteral("vozudarizazi"),
                 QStringLiteral(VOZ_PRODUCT_NAME),
                 QStringLiteral(VOZ_VERSION_TEXT),
                 QString()};
    r.FileVersionMS = (std::uint32_t{VOZ_VERSION_MAJOR} << 16) | std::uint32_t{VOZ_VERSION_MINOR};
    r.FileVersionLS = (std::uint32_t{VOZ_VERSION_PATCH} << 16) | std::uint32_t{VOZ_VERSION_BUILD + 0};
    r.FileFlagsMask = vffDebug | vffPreRelease | vffPrivateBuild | vffSpecialBuild;
#ifndef NDEBUG
    r.FileFlags |= vffDebug;
#endif
    return r;
}

TVerInfoRes::TVerInfoRes(const QString& fileName) : FFileName(fileName)
{
    const QString file = fileName.isEmpty() ? QCoreApplication::applicationFilePath() : fileName;
    if (!QFileInfo(file).isFile())
        throw ENoVerInfoError(QStringLiteral("No Version Info Available."));
    FResource = ProgramVersionResource();
    ReadFixedInfo();
    ReadFileFlags();
}

TVerInfoRes::TVerInfoRes(const QString& fileName, const TVersionResource& resource)
    : FFileName(fileName), FResource(resource)
{
    ReadFixedInfo();
    ReadFileFlags();
}

void TVerInfoRes::ReadFixedInfo()
{
    if (!FResource.HasFixedInfo)
        throw eNoFixeVerInfo(QStringLiteral("No fixed file info"));
}

void TVerInfoRes::ReadFileFlags()
{
    const std::uint32_t f = FResource.FileFlags & FResource.FileFlagsMask;
    if (f & vffPreRelease)
        FFileFlags.append(QStringLiteral("Pre-release"));
    if (f & vffPrivateBuild)
        FFileFlags.append(QStringLiteral("Private build"));
    if (f & vffSpecialBuild)
        FFileFlags.append(QStringLiteral("Special build"));
    if (f & vffDebug)
        FFileFlags.append(QStringLiteral("Debug"));
}

QString TVerInfoRes::GetStringValue(int index) const
{
    if (index < 0 || index >= static_cast<int>(VersionKeys.size()))
        return QString();
    return FResource.Strings[static_cast<size_t>(index)];
}

QString TVerInfoRes::FileVersionText() const
{
    return VersionToText(FResource.FileVersionMS, FResource.FileVersionLS);
}

QString VersionToText(std::uint32_t mostSignificant, std::uint32_t leastSignificant)
{
    return Format("%d.%d.%d.%d", mostSignificant >> 16, mostSignificant & 0xFFFFu, leastSignificant >> 16,
                  leastSignificant & 0xFFFFu);
}

QString GetFileVersion(const QString& fileName)
{
    return TVerInfoRes(fileName).FileVersionText();
}

QString GetProductVersionText(const QString& fileName)
{
    const TVerInfoRes info(fileName);
    return info.GetProductName() + QLatin1Char(' ') + info.FileVersionText();
}
