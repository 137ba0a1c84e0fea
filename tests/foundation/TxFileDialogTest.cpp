#include "TxFileDialog.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

TEST(FileDialog, FiltersAsQtReadsThem)
{
    struct {
        QString Filter;
        QString Qt;
    } cases[] = {
        {"Print Preview Files (*.ppv)|*.ppv|All Files (*.*)|*.*", "Print Preview Files (*.ppv);;All Files (*)"},
        {"PDF Files|*.pdf", "PDF Files (*.pdf)"},
        {"Pictures (*.png;*.gif)|*.png;*.gif", "Pictures (*.png *.gif)"},
        {"Odd|", ""},
        {"", ""},
        {"A|*.a|B", "A (*.a)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QtFileDialogFilter(c.Filter), c.Qt) << c.Filter.toStdString();
}

TEST(FileDialog, DefaultExtensionOnlyWhereThereIsNone)
{
    struct {
        QString Name;
        QString Result;
    } cases[] = {
        {"/tmp/report", "/tmp/report.ppv"},
        {"/tmp/report.ppv", "/tmp/report.ppv"},
        {"/tmp/report.old", "/tmp/report.old"},
        {"/tmp/v1.2/report", "/tmp/v1.2/report.ppv"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WithDefaultExt(c.Name, "ppv"), c.Result) << c.Name.toStdString();
    EXPECT_EQ(WithDefaultExt("/tmp/report", ""), "/tmp/report");
}

TEST(FileDialog, RecordingServiceAnswersInTurn)
{
    TRecordingFileDialogService service;
    TScopedFileDialogService scope(service);
    EXPECT_EQ(&FileDialogs(), &service);
    service.Answers = {"/data/first", "", "/data/third.pdf"};

    TFileDialog dialog(true);
    dialog.Title = "Save As PDF";
    dialog.DefaultExt = "pdf";
    dialog.Filter = "PDF Files (*.pdf)|*.pdf";
    dialog.InitialDir = "/data";
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.FileName, "/data/first.pdf");
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.FileName, "/data/first.pdf");
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.FileName, "/data/third.pdf");
    EXPECT_FALSE(dialog.Execute()); // no answers left: cancelled

    ASSERT_EQ(service.Requests.size(), 4);
    const TFileDialogRequest& r = service.Requests[1];
    EXPECT_TRUE(r.Save);
    EXPECT_EQ(r.Title, "Save As PDF");
    EXPECT_EQ(r.DefaultExt, "pdf");
    EXPECT_EQ(r.InitialDir, "/data");
    EXPECT_EQ(r.FileName, "/data/first.pdf");
    EXPECT_FALSE(TFileDialog(false).Request().Save);
}
