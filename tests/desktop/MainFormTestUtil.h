#pragma once

#include "RolloverImage.h"
#include "TestUtil.h"
#include "TxPlatform.h"
#include "TxPreviewPage.h"
#include "TxSilencerXML.h"
#include "UnitsManager.h"
#include "main.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

// A preview page painted on white at 96 dpi, as the screen shows it.
inline QImage RenderedPage(const TPreviewPage& page)
{
    QImage image(page.Size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    PaintPage(p, page, 96, 96);
    return image;
}

// A program folder in a temporary folder: <tmp>/app/program/ with data/,
// images/, help/, and <tmp>/app/catalog/ beside it; the program INI file and
// the display quantities of one test; messages and opened documents recorded.
class MainFormFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetAppCode(QString::fromLatin1(AppIdentifier));
        CreateUnitsManager(IniFile());
        QDir().mkpath(ExeDir() + "data");
        QDir().mkpath(CatalogDir());
        QDir().mkpath(QFileInfo(IniFile()).absolutePath());
    }
    void TearDown() override
    {
        Form.reset();
        FreeUnitsManager();
    }

    QString ExeDir() const { return Dir.Path() + "/app/program/"; }
    QString CatalogDir() const { return Dir.Path() + "/app/catalog/"; }
    QString IniFile() const { return Dir.Path() + "/config/vozudarizazi.ini"; }
    QString DefaultIni() const { return ExeDir() + "default.ini"; }

    // The shipped catalogue, pictures, help and catalogue pages.
    void UseShippedCatalogue()
    {
        const QString content = QStringLiteral(VOZ_CONTENT_DIR);
        for (const char* sub : {"data", "images", "help"})
            CopyFolder(content + "/" + sub, ExeDir() + sub);
        CopyFolder(content + "/catalog", CatalogDir());
    }
    QString WriteRange(const QString& name, const QByteArray& xml)
    {
        return Dir.Write("app/program/data/" + name, xml);
    }

    TMainFormPaths Paths() const
    {
        TMainFormPaths p;
        p.ExeDir = ExeDir();
        p.IniFileName = IniFile();
        p.DefaultIniName = DefaultIni();
        p.ProgramFile = QCoreApplication::applicationFilePath();
        return p;
    }
    // A new window, shown: its first activation has run.
    TMainForm& Open() { return Open(Paths()); }
    TMainForm& Open(const TMainFormPaths& paths)
    {
        Form = std::make_unique<TMainForm>(paths);
        Form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
        return *Form;
    }
    // Closes the window as the user does; it saves its settings.
    void CloseForm()
    {
        Form->close();
        Form.reset();
    }

    int Rows() const { return Form->LVSelect->topLevelItemCount(); }
    bool ResultButtonsEnabled() const
    {
        return Form->DetailButton->isEnabled() && Form->ReportButton->isEnabled() && Form->ProjectButton->isEnabled();
    }
    bool ResultButtonsDisabled() const
    {
        return !Form->DetailButton->isEnabled() && !Form->ReportButton->isEnabled() &&
               !Form->ProjectButton->isEnabled();
    }
    void ClickSearch() { QTest::mouseClick(Form->SearchButton, Qt::LeftButton, {}, QPoint(40, 10)); }

    TTempFolder Dir;
    TRecordingMessageService Msgs;
    TScopedMessageService MsgScope{Msgs};
    TRecordingDocumentOpener Opened;
    TScopedDocumentOpener OpenScope{Opened};
    std::unique_ptr<TMainForm> Form;
};

// A small range file: `shape`, `prefix` and bodies of "name|size list|sil".
// A picture file.
inline void WritePicture(const QString& fileName)
{
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    image.save(fileName);
}

inline QByteArray RangeXml(const QString& title, const QString& shape, const QString& prefix,
                           const QStringList& bodies = {}, const QString& headExtra = QString())
{
    const bool rect = shape.compare("rectangular", Qt::CaseInsensitive) == 0;
    const QString size = rect ? QStringLiteral("<size shape=\"%1\" kind=\"fixed\" height=\"Height\" width=\"Width\" "
                                               "gap=\"Gap\" length=\"Length\">Height,Width,Gap,Length</size>")
                                    .arg(shape)
                              : QStringLiteral("<size shape=\"%1\" kind=\"fixed\" diameter=\"Diameter\" "
                                               "length=\"Length\">Diameter,Length</size>")
                                    .arg(shape);
    QString body;
    for (const QString& b : bodies) {
        const QStringList parts = b.split('|');
        body += QStringLiteral("<item><name>%1</name><size>%2</size><sil>%3</sil></item>")
                    .arg(parts.value(0), parts.value(1), parts.value(2));
    }
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<catalogue type=\"silencer\"><head>"
               "<code>%1</code><title>%2</title><maker>Maker Ltd</maker><description>%2 silencer</description>"
               "<usage>Ducts</usage><prefix>%3</prefix>%4<img src=\"photo.png\" alt=\"photo\"/>%5</head>"
               "<body>%6</body></catalogue>\n")
        .arg(QString::fromLatin1(AppIdentifier), title, prefix, size, headExtra, body)
        .toUtf8();
}
