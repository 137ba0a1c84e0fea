#pragma once

#include "TxErrors.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

// The program's version data: product name, file version and the like. The
// build writes them into VozVersion.h from the project's version; a program
// file of this build carries them compiled in.

class EVerInfoError : public Exception {
public:
    using Exception::Exception;
};

// The file has no version data.
class ENoVerInfoError : public EVerInfoError {
public:
    using EVerInfoError::EVerInfoError;
};

// The version data lack the fixed block (file version and flags).
class eNoFixeVerInfo : public EVerInfoError {
public:
    using EVerInfoError::EVerInfoError;
};

// The ten standard string keys, by index.
inline constexpr std::array<const char*, 10> VersionKeys{
    "CompanyName",     "FileDescription",  "FileVersion", "InternalName",   "LegalCopyright",
    "LegalTrademarks", "OriginalFilename", "ProductName", "ProductVersion", "Comments"};

inline constexpr int viProductName = 7;

// File flag bits of the fixed block.
enum TVersionFileFlag : std::uint32_t {
    vffDebug = 0x01,
    vffPreRelease = 0x02,
    vffPrivateBuild = 0x08,
    vffSpecialBuild = 0x20,
};

// Version data as a program file holds them: the string values by key index
// (empty when missing), the file version in two 32-bit words and the flags.
struct TVersionResource {
    std::array<QString, VersionKeys.size()> Strings;
    bool HasFixedInfo = true;
    std::uint32_t FileVersionMS = 0;
    std::uint32_t FileVersionLS = 0;
    std::uint32_t FileFlags = 0;
    std::uint32_t FileFlagsMask = 0;
};

// The version data this build was given.
TVersionResource ProgramVersionResource();

// Reads the version data of a program file.
class TVerInfoRes {
public:
    // A file of this build (an empty name means the running program); a file
    // that does not exist raises ENoVerInfoError "No Version Info Available.".
    explicit TVerInfoRes(const QString& fileName);
    // The given data as the file's; data without the fixed block raise
    // eNoFixeVerInfo "No fixed file info".
    TVerInfoRes(const QString& fileName, const TVersionResource& resource);

    // The string value of key `index` (0-9); empty when missing.
    QString GetStringValue(int index) const;
    QString GetProductName() const { return GetStringValue(viProductName); }
    // "a.b.c.d" of the fixed block's file version.
    QString FileVersionText() const;
    // Words of the flags that are set: "Pre-release", "Private build",
    // "Special build", "Debug", in this order.
    const QStringList& FileFlags() const { return FFileFlags; }
    const QString& FileName() const { return FFileName; }

private:
    void ReadFixedInfo();
    void ReadFileFlags();

    QString FFileName;
    TVersionResource FResource;
    QStringList FFileFlags;
};

// "%d.%d.%d.%d" of the four 16-bit halves, most significant first.
QString VersionToText(std::uint32_t mostSignificant, std::uint32_t leastSignificant);
// The file version of a program file.
QString GetFileVersion(const QString& fileName);
// Product name, a blank and the file version: the version text of captions,
// report footers and documents.
QString GetProductVersionText(const QString& fileName);
