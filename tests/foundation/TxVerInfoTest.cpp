#include "TestUtil.h"
#include "TxFormat.h"
#include "TxVerInfo.h"
#include "VozVersion.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

TVersionResource Resource(std::uint32_t ms, std::uint32_t ls, std::uint32_t flags = 0)
{
    TVersionResource r;
    r.Strings[viProductName] = QStringLiteral("Product");
    r.FileVersionMS = ms;
    r.FileVersionLS = ls;
    r.FileFlags = flags;
    r.FileFlagsMask = 0x3F;
    return r;
}

TEST(VersionText, FourSixteenBitPartsMostSignificantFirst)
{
    EXPECT_EQ(VersionToText((2u << 16) | 1u, (3u << 16) | 4u), "2.1.3.4");
    EXPECT_EQ(VersionToText(0xFFFFFFFFu, 0u), "65535.65535.0.0");
    EXPECT_EQ(TVerInfoRes("x", Resource((2u << 16) | 1u, (3u << 16) | 4u)).FileVersionText(), "2.1.3.4");
}

TEST(VersionText, FlagsListedInFixedOrderAndMasked)
{
    EXPECT_EQ(TVerInfoRes("x", Resource(0, 0, vffDebug | vffPreRelease)).FileFlags(),
              QStringList({"Pre-release", "Debug"}));
    EXPECT_EQ(TVerInfoRes("x", Resource(0, 0, 0x2B)).FileFlags(),
              QStringList({"Pre-release", "Private build", "Special build", "Debug"}));
    TVersionResource masked = Resource(0, 0, vffDebug);
    masked.FileFlagsMask = vffPreRelease;
    EXPECT_TRUE(TVerInfoRes("x", masked).FileFlags().isEmpty());
}

TEST(VersionText, StringValuesByKeyIndex)
{
    TVersionResource r = Resource(0, 0);
    r.Strings[0] = QStringLiteral("Company");
    const TVerInfoRes info("x", r);
    EXPECT_EQ(info.GetStringValue(0), "Company");
    EXPECT_EQ(info.GetProductName(), "Product");
    EXPECT_EQ(info.GetStringValue(9), "");
    EXPECT_EQ(info.GetStringValue(10), "");
    EXPECT_EQ(info.GetStringValue(-1), "");
}

TEST(VersionText, MissingFixedBlockOrFileRaises)
{
    TVersionResource r = Resource(0, 0);
    r.HasFixedInfo = false;
    EXPECT_THROW(TVerInfoRes("x", r), eNoFixeVerInfo);
    TTempFolder dir;
    EXPECT_THROW(GetFileVersion(dir.File("none")), ENoVerInfoError);
    try {
        GetProductVersionText(dir.File("none"));
        FAIL();
    } catch (const EVerInfoError& e) {
        EXPECT_EQ(e.Message(), "No Version Info Available.");
    }
}

TEST(VersionText, TheRunningProgramCarriesTheProjectVersion)
{
    const QString program = QCoreApplication::applicationFilePath();
    const QString version = GetFileVersion(program);
    EXPECT_EQ(version,
              Format("%d.%d.%d.%d", VOZ_VERSION_MAJOR, VOZ_VERSION_MINOR, VOZ_VERSION_PATCH, VOZ_VERSION_BUILD + 0));
    EXPECT_EQ(GetProductVersionText(program), "Vozudarizazi " + version);
    EXPECT_EQ(GetProductVersionText(QString()), "Vozudarizazi " + version);
}

} // namespace
