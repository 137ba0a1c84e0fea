#include "MainFormTestUtil.h"
#include "RolloverImage.h"
#include "TxFmtEdit.h"
#include "TxGrids.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>

namespace {

using MainForm = MainFormFixture;

TEST_F(MainForm, Screenshot)
{
    const QByteArray target = qgetenv("VOZ_SCREENSHOT");
    if (target.isEmpty())
        GTEST_SKIP() << "set VOZ_SCREENSHOT to a PNG file name";
    UseShippedCatalogue();
    TMainForm& form = Open();
    ClickSearch();
    form.grab().save(QString::fromLocal8Bit(target));
}

} // namespace
