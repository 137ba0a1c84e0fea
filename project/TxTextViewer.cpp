#include "TxTextViewer.h"

#include "TxFileRead.h"
#include "TxPlatform.h"
#include "TxString.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

TTextViewer::TTextViewer(const QString& fileName, const QString& text, QWidget* parent)
    : QDialog(parent), FFileName(fileName), FText(new QPlainTextEdit(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QFileInfo(fileName).fileName());
    setSizeGripEnabled(true);
    FText->setObjectName(QStringLiteral("Text"));
    FText->setReadOnly(true);
    FText->setLineWrapMode(QPlainTextEdit::NoWrap);
    FText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    FText->setPlainText(text);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FText);
    resize(640, 480);
}

TTextViewer* TTextViewer::OpenFile(const QString& fileName, QWidget* parent)
{
    QByteArray bytes;
    QString error;
    if (!ReadWholeFile(fileName, bytes, error)) {
        Messages().ShowError(error);
        return nullptr;
    }
    auto* viewer = new TTextViewer(fileName, DecodeText(bytes), parent);
    viewer->show();
    return viewer;
}
