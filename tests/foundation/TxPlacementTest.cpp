#include "SettingsTestUtil.h"
#include "TestUtil.h"
#include "TxFileRead.h"
#include "TxIniFile.h"
#include "TxPlacement.h"
#include "TxPlatform.h"
#include "TxRegistry.h"
#include "TxSysUtils.h"

#include <QApplication>
#include <QFile>
#include <QWidget>

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace {

struct ClampCase {
    int left, top;
    int wantLeft, wantTop;
};

class OnScreen : public ::testing::TestWithParam<ClampCase> {};

TEST_P(OnScreen, KeepsARestoredWindowReachable)
{
    int left = GetParam().left, top = GetParam().top;
    KeepOnScreen(left, top, QSize(1280, 1024));
    EXPECT_EQ(left, GetParam().wantLeft) << GetParam().left;
    EXPECT_EQ(top, GetParam().wantTop) << GetParam().top;
}

INSTANTIATE_TEST_SUITE_P(Screen1280x1024, OnScreen,
                         ::testing::Values(ClampCase{5000, 10, 1080, 10}, ClampCase{1180, 10, 1180, 10},
                                           ClampCase{1181, 10, 1080, 10}, ClampCase{-20, 10, 0, 10},
                                           ClampCase{10, 1000, 10, 824}, ClampCase{10, -1, 10, 0},
                                           ClampCase{10, 924, 10, 924}, ClampCase{10, 925, 10, 824},
                                           ClampCase{0, 0, 0, 0}, ClampCase{-5000, 5000, 0, 824},
                                           ClampCase{INT_MAX, INT_MIN, 1080, 0}, ClampCase{INT_MIN, INT_MAX, 0, 824}));

// A stored column width: within the screen, at least the narrowest a column
// is dragged to.
TEST(OnScreen, StoredColumnWidthsStayInReach)
{
    const std::pair<int, int> cases[] = {{140, 140}, {1280, 1280}, {1281, 1280}, {INT_MAX, 1280},
                                         {2, 2},     {1, 2},       {0, 2},       {INT_MIN, 2}};
    for (const auto& [stored, kept] : cases)
        EXPECT_EQ(KeepColumnWidth(stored, QSize(1280, 1024)), kept) << stored;
}

// A room of 1280 x 1000 below a panel 24 pixels high; a frame of 4 pixels
// and a title bar of 32.
TEST(OnScreen, RestoredWindowsLieWhollyInTheRoom)
{
    const TPlacementLimits limits{QSize(1280, 1024), QRect(0, 24, 1280, 1000), QSize(611, 506), QMargins(4, 32, 4, 4)};
    const struct {
        QRect stored, want;
    } cases[] = {{{100, 100, 650, 600}, {100, 100, 650, 600}},      {{100, 100, 99999, 600}, {4, 100, 1272, 600}},
                 {{811, 547, 788, 448}, {488, 514, 788, 506}},      {{10, -30, 650, 600}, {10, 56, 650, 600}},
                 {{-5000, 5000, 99999, 99999}, {4, 56, 1272, 964}}, {{100, 100, -5, 0}, {100, 100, 611, 506}},
                 {{4, 56, 1272, 964}, {4, 56, 1272, 964}},          {{626, 514, 650, 506}, {626, 514, 650, 506}}};
    for (const auto& c : cases)
        EXPECT_EQ(KeepWindowInRoom(c.stored, limits), c.want) << c.stored.x() << "," << c.stored.y();
    // The window's own limit wins on a screen too small for it; its title bar stays.
    EXPECT_EQ(KeepWindowInRoom({300, 300, 900, 900},
                               {QSize(640, 480), QRect(0, 0, 640, 450), QSize(746, 320), QMargins(4, 32, 4, 4)}),
              QRect(4, 32, 746, 414));
}

TEST(IniPlacement, WritesOnlyTheWindowsSectionAndReadsItBack)
{
    TTempFolder dir;
    const QByteArray before = "; settings\n[Form]\nLeft=1\n\n[UnitsForm]\nExtra=keep\n[Other]\nk=v\n";
    const QString ini = dir.Write("prog.ini", before);
    QWidget form;
    form.setObjectName("UnitsForm");
    form.setGeometry(30, 40, 300, 200);
    SaveFormPlacementIni(&form, ini);
    EXPECT_EQ(ReadFileBytes(ini), QByteArray("; settings\n[Form]\nLeft=1\n\n[UnitsForm]\nExtra=keep\nLeft=30\nTop=40\n"
                                             "Width=300\nHeight=200\n[Other]\nk=v\n"));

    QWidget again;
    again.setObjectName("UnitsForm");
    again.resize(10, 10);
    LoadFormPlacementIni(&again, ini);
    EXPECT_EQ(again.geometry(), QRect(30, 40, 300, 200));
}

TEST(IniPlacement, NoStoredValuesKeepTheDesignedPlacement)
{
    TTempFolder dir;
    const QString ini = dir.Write("prog.ini", QByteArray("[Other]\nLeft=5\n"));
    QWidget form;
    form.setObjectName("UnitsForm");
    form.resize(320, 240);
    const QRect designed = form.geometry();
    LoadFormPlacementIni(&form, ini);
    EXPECT_EQ(form.geometry(), designed);
    EXPECT_FALSE(form.testAttribute(Qt::WA_Moved)) << "the window system still places it";
    LoadFormPlacementIni(&form, dir.File("missing.ini"));
    EXPECT_EQ(form.geometry(), designed);
}

TEST(IniPlacement, PlacementOffTheScreenComesBack)
{
    TTempFolder dir;
    const QString ini = dir.Write("prog.ini", QByteArray("[UnitsForm]\nLeft=5000\nTop=-1\nWidth=3000\nHeight=99999\n"));
    QWidget form;
    form.setObjectName("UnitsForm");
    form.setGeometry(10, 10, 200, 100);
    LoadFormPlacementIni(&form, ini);
    const TPlacementLimits limits = PlacementLimits(&form);
    EXPECT_EQ(form.geometry(), limits.Room.marginsRemoved(limits.Frame));

    TIniFile(ini).WriteInteger("UnitsForm", "Width", 20);
    TIniFile(ini).WriteInteger("UnitsForm", "Height", 30);
    form.setMinimumSize(180, 260);
    LoadFormPlacementIni(&form, ini);
    EXPECT_EQ(form.size(), QSize(180, 260));

    // Sizes at the ends of the integers; the sanitizer stops on an overflow.
    for (const char* size : {"2147483647", "-2147483648"}) {
        TIniFile(ini).WriteString("UnitsForm", "Width", size);
        TIniFile(ini).WriteString("UnitsForm", "Height", size);
        LoadFormPlacementIni(&form, ini);
        EXPECT_EQ(form.size(), size[0] == '-' ? QSize(180, 260) : limits.Room.marginsRemoved(limits.Frame).size());
    }
}

// Windows save their place whenever they lose the focus: a save that fails
// is said once for its file, and the window goes on.
TEST(IniPlacement, RefusedSavesAreSaidOnceForEachFile)
{
    TTempFolder dir;
    const QString blocker = dir.Write("plain-file", QByteArray("x"));
    TRecordingMessageService messages;
    const TScopedMessageService scoped(messages);
    SetRegistryFileName(blocker + "/registry.conf");
    QWidget form;
    form.setObjectName("UnitsForm");
    for (int i = 0; i < 3; ++i) {
        SaveFormPlacementIni(&form, blocker + "/prog.ini");
        SaveFormPlacementReg(&form);
    }
    // A store that cannot be read is said when it is read, and its refused
    // saves once more.
    const QString huge = dir.Write("huge.conf", QByteArray("[Software]\n"));
    ASSERT_TRUE(QFile(huge).resize(MaxSettingsFileSize + 1));
    SetRegistryFileName(huge);
    for (int i = 0; i < 2; ++i) {
        LoadFormPlacementReg(&form, false, true);
        SaveFormPlacementReg(&form);
    }
    SetRegistryFileName(QString());
    const QString tooLarge = "Cannot open file \"" + huge + "\". It is larger than 1 MB.";
    const QString noFolder =
        ": Cannot create the folder " + blocker + ": " + QString::fromLocal8Bit(std::strerror(ENOTDIR));
    EXPECT_EQ(messages.Errors, (QStringList{"Unable to write to " + blocker + "/prog.ini" + noFolder,
                                            "Unable to write to " + blocker + "/registry.conf" + noFolder, tooLarge,
                                            "Unable to write to " + huge + ": " + tooLarge}));
}

// A window that saves its place as it hides has a failure said once it is
// hidden: a box shown while the window system hides it is never painted.
TEST(IniPlacement, ASaveAsTheWindowHidesIsSaidOnceItIsHidden)
{
    // Saves its place whenever it loses the focus, as the windows do.
    struct THidingForm : QWidget {
        QString File;
        void changeEvent(QEvent* e) override
        {
            if (e->type() == QEvent::ActivationChange && !isActiveWindow())
                SaveFormPlacementIni(this, File);
        }
    };
    TTempFolder dir;
    TRecordingMessageService messages;
    const TScopedMessageService scoped(messages);
    THidingForm form;
    form.setObjectName("HidingForm");
    form.File = dir.Write("plain-file", QByteArray("x")) + "/hiding.ini";
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(form.isActiveWindow());
    form.hide();
    EXPECT_TRUE(messages.Errors.isEmpty());
    QApplication::processEvents();
    ASSERT_EQ(messages.Errors.size(), 1);
    EXPECT_TRUE(messages.Errors[0].startsWith("Unable to write to " + form.File + ": "));
}

class RegPlacement : public ::testing::Test {
protected:
    RegPlacement() : FOldBase(RegBase) { RegBase = "Software\\DEZ Uder\\"; }
    ~RegPlacement() override { RegBase = FOldBase; }

    // The program's key, opened afresh.
    static TRegistryIniFile Key() { return TRegistryIniFile(GetAppRegKey()); }

    TScopedRegistry Store;

private:
    QString FOldBase;
};

TEST_F(RegPlacement, MaximisedWindowReopensMaximisedWithItsNormalPlace)
{
    QWidget form;
    form.setObjectName("ProjectForm");
    form.setGeometry(10, 40, 300, 200);
    form.setWindowState(Qt::WindowMaximized);
    SaveFormPlacementReg(&form);
    EXPECT_EQ(Key().ReadSectionValues("ProjectForm"),
              (QStringList{"Height=200", "Left=10", "Top=40", "Visible=0", "Width=300", "WinState=2"}));

    QWidget again;
    again.setObjectName("ProjectForm");
    again.setGeometry(0, 0, 50, 50);
    LoadFormPlacementReg(&again, false, true);
    EXPECT_TRUE(again.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(again.normalGeometry(), QRect(10, 40, 300, 200));
}

TEST_F(RegPlacement, MinimisedWindowOpensNormal)
{
    QWidget form;
    form.setObjectName("PrintPreviewForm");
    form.setGeometry(10, 40, 300, 200);
    form.setWindowState(Qt::WindowMinimized);
    SaveFormPlacementReg(&form);
    EXPECT_EQ(Key().ReadInteger("PrintPreviewForm", "WinState", -1), 1);

    QWidget again;
    again.setObjectName("PrintPreviewForm");
    LoadFormPlacementReg(&again, false, true);
    EXPECT_EQ(again.windowState(), Qt::WindowNoState);
    EXPECT_EQ(again.geometry(), QRect(10, 40, 300, 200));
}

TEST_F(RegPlacement, FlagsChooseWhatIsRead)
{
    Key().WriteInteger("ProjectForm", "Left", 5000);
    Key().WriteInteger("ProjectForm", "Top", 7);
    Key().WriteInteger("ProjectForm", "Width", 640);
    Key().WriteInteger("ProjectForm", "Height", 480);
    Key().WriteBool("ProjectForm", "Visible", true);
    const QSize screen = PrimaryScreenSize();

    QWidget sizeKept;
    sizeKept.setObjectName("ProjectForm");
    sizeKept.setGeometry(1, 2, 100, 50);
    LoadFormPlacementReg(&sizeKept, false, false);
    const TPlacementLimits limits = PlacementLimits(&sizeKept);
    EXPECT_EQ(sizeKept.geometry(), QRect(screen.width() - 200, limits.Room.top() + limits.Frame.top(), 100, 50));
    EXPECT_FALSE(sizeKept.isVisible());

    QWidget shown;
    shown.setObjectName("ProjectForm");
    LoadFormPlacementReg(&shown, true, true);
    EXPECT_EQ(shown.size(), QSize(640, 480));
    EXPECT_TRUE(shown.isVisible());

    QWidget fresh;
    fresh.setObjectName("NeverSaved");
    fresh.resize(320, 240);
    const QRect designed = fresh.geometry();
    LoadFormPlacementReg(&fresh, true, true);
    EXPECT_EQ(fresh.geometry(), designed);
    EXPECT_FALSE(fresh.isVisible()) << "Visible defaults to hidden";
}

} // namespace
