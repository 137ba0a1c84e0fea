#include "SettingsTestUtil.h"
#include "TestUtil.h"
#include "TxRegistry.h"

#include <QFileInfo>

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(Registry, TypedValuesRoundTripAndPersist)
{
    TScopedRegistry store;
    {
        TRegistryIniFile reg("Software\\DEZ Uder\\Vozudarizazi");
        reg.WriteInteger("ProjectForm", "Left", -20);
        reg.WriteInteger("ProjectForm", "ColWidths1", INT_MAX);
        reg.WriteBool("ProjectForm", "Visible", true);
        reg.WriteBool("ProjectForm", "Hidden", false);
        reg.WriteFloat("ProjectForm", "Zoom", 0.1);
        reg.WriteString("Project", "FileName", "/home/u/a b.xml");
        reg.WriteString("Project", "Empty", "");
        EXPECT_EQ(reg.ReadInteger("ProjectForm", "Left", 0), -20) << "visible before the store is saved";
    }
    EXPECT_TRUE(QFileInfo(store.FileName()).isFile());

    const TRegistryIniFile reg("Software/DEZ Uder/Vozudarizazi/");
    EXPECT_EQ(reg.ReadInteger("ProjectForm", "Left", 0), -20);
    EXPECT_EQ(reg.ReadInteger("ProjectForm", "ColWidths1", 0), INT_MAX);
    EXPECT_TRUE(reg.ReadBool("ProjectForm", "Visible", false));
    EXPECT_FALSE(reg.ReadBool("ProjectForm", "Hidden", true));
    EXPECT_EQ(reg.ReadFloat("ProjectForm", "Zoom", 0), 0.1);
    EXPECT_EQ(reg.ReadString("Project", "FileName", ""), "/home/u/a b.xml");
    EXPECT_EQ(reg.ReadString("Project", "Empty", "def"), "") << "an empty value is a value";
    EXPECT_EQ(reg.ReadSections(), (QStringList{"Project", "ProjectForm"}));
    EXPECT_EQ(reg.ReadSectionValues("Project"), (QStringList{"Empty=", "FileName=/home/u/a b.xml"}));

    // The same value through the parent key and a nested section.
    const TRegistryIniFile parent("Software\\DEZ Uder\\");
    EXPECT_EQ(parent.ReadInteger("Vozudarizazi\\ProjectForm", "Left", 0), -20);
}

TEST(Registry, MissingValuesGiveDefaults)
{
    TScopedRegistry store;
    const TRegistryIniFile reg("Software\\Vededudezar\\Common\\");
    EXPECT_EQ(reg.ReadString("User", "Name", "nobody"), "nobody");
    EXPECT_EQ(reg.ReadInteger("User", "Count", 7), 7);
    EXPECT_TRUE(reg.ReadBool("User", "Flag", true));
    EXPECT_EQ(reg.ReadFloat("User", "Rate", 0.14), 0.14);
    EXPECT_FALSE(reg.SectionExists("User"));
    EXPECT_FALSE(reg.ValueExists("User", "Name"));
    EXPECT_TRUE(reg.ReadSections().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(store.FileName())) << "reading creates nothing";
}

TEST(Registry, DeleteAndEraseRemoveOnlyTheirPart)
{
    TScopedRegistry store;
    TRegistryIniFile reg("Software\\Vededudezar\\Common");
    reg.WriteString("User", "Name", "A");
    reg.WriteString("User", "EMail", "a@b.c");
    reg.WriteString("Other", "Keep", "1");
    reg.DeleteKey("User", "Name");
    EXPECT_FALSE(reg.ValueExists("User", "Name"));
    EXPECT_EQ(reg.ReadString("User", "EMail", ""), "a@b.c");
    reg.EraseSection("User");
    EXPECT_FALSE(reg.SectionExists("User"));
    EXPECT_EQ(reg.ReadString("Other", "Keep", ""), "1");
}

TEST(Registry, DefaultStoreFollowsTheConfigHome)
{
    TTempFolder dir;
    TScopedEnv config("XDG_CONFIG_HOME", dir.Path());
    EXPECT_EQ(RegistryFileName(), dir.Path() + "/DEZ Uder/registry.conf");
    {
        TRegistryIniFile reg("Software\\Vededudezar\\Common\\");
        reg.WriteString("User", "Name", "A");
    }
    EXPECT_TRUE(QFileInfo(dir.Path() + "/DEZ Uder/registry.conf").isFile()) << "its folder is created";
}

} // namespace
