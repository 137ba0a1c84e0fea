#include "TxFileDialogs.h"
#include "TxPlatform.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

TEST(FileDialogs, FiltersAsTheDialogReadsThem)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Project file (*.pxf)|*.pxf", "Project file (*.pxf)"},
        {"Preview (*.ppv)|*.ppv|All Files (*.*)|*.*", "Preview (*.ppv);;All Files (*)"},
        {"Pictures|*.png;*.gif", "Pictures (*.png *.gif)"},
        {"", ""},
    };
    for (const auto& [filter, expected] : cases)
        EXPECT_EQ(QtFileDialogFilter(filter), expected) << filter;
}

TEST(FileDialogs, DefaultExtensionOnlyWhereTheNameHasNone)
{
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"/jobs/Q-17", "pxf", "/jobs/Q-17.pxf"},
        {"/jobs/Q-17.pxf", "pxf", "/jobs/Q-17.pxf"},
        {"/jobs/Q-17.xml", "pxf", "/jobs/Q-17.xml"},
        {"/my.jobs/Q-17", "pxf", "/my.jobs/Q-17.pxf"},
        {"/jobs/Q-17", "", "/jobs/Q-17"},
        {"", "pxf", ""},
    };
    for (const auto& [name, ext, expected] : cases)
        EXPECT_EQ(WithDefaultExt(name, ext), expected) << name;
}

TEST(FileDialogs, RecordingServiceAnswersInTurnThenCancels)
{
    TRecordingFileDialogService dialogs;
    TScopedFileDialogService scope(dialogs);
    dialogs.Answers = {"/a.pxf", ""};
    TFileDialogRequest request;
    request.Save = true;
    request.FileName = "Q-1.pxf";
    QString name;
    EXPECT_TRUE(FileDialogs().Execute(nullptr, request, name));
    EXPECT_EQ(name, "/a.pxf");
    EXPECT_FALSE(FileDialogs().Execute(nullptr, request, name));
    EXPECT_FALSE(FileDialogs().Execute(nullptr, request, name));
    ASSERT_EQ(dialogs.Requests.size(), 3);
    EXPECT_EQ(dialogs.Requests[0].FileName, "Q-1.pxf");
    EXPECT_TRUE(dialogs.Requests[0].Save);
}

TEST(FileDialogs, ASaveDialogAsksBeforeItReplacesAFile)
{
    TTempFolder dir;
    const QString existing = dir.Write("job1.pxf", QByteArray("kept"));
    struct Case {
        const char* name;
        bool save;
        bool replace; // the answer to the question
        bool chosen;
        bool asked;
    };
    const Case cases[] = {
        {"save, keep the file", true, false, false, true},
        {"save, replace it", true, true, true, true},
        {"open", false, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TFileDialogRequest request;
        request.Save = c.save;
        request.Filter = "Project file (*.pxf)|*.pxf";
        request.DefaultExt = "pxf";
        request.FileName = dir.File("Project.pxf");
        TFileDialogSeen seen;
        AnswerFileDialog(existing, c.replace, seen);
        TQtFileDialogService dialogs;
        QString name;
        EXPECT_EQ(dialogs.Execute(nullptr, request, name), c.chosen);
        EXPECT_EQ(name, c.chosen ? existing : QString());
        EXPECT_EQ(seen.Proposed, dir.File("Project.pxf"));
        EXPECT_EQ(seen.Question.contains("job1.pxf already exists"), c.asked) << seen.Question.toStdString();
        EXPECT_EQ(ReadFileBytes(existing), "kept");
    }
}

TEST(MessageService, QuestionsWithoutAnAnswerChangeNothing)
{
    TRecordingMessageService messages;
    messages.Answers = {TMsgAnswer::Yes};
    EXPECT_EQ(messages.Confirm("Delete item A?", false), TMsgAnswer::Yes);
    EXPECT_EQ(messages.Confirm("Delete item B?", false), TMsgAnswer::No);
    EXPECT_EQ(messages.Confirm("\rFile not saved. Save now?", true), TMsgAnswer::Cancel);
    EXPECT_EQ(messages.Questions, QStringList({"Delete item A?", "Delete item B?", "\rFile not saved. Save now?"}));
}
