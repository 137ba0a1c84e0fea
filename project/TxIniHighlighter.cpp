#include "TxIniHighlighter.h"

TIniHighlighter::TIniHighlighter(QTextDocument* document) : QSyntaxHighlighter(document)
{
    SectionFormat.setForeground(Qt::white);
    SectionFormat.setBackground(SectionColor());
    KeyFormat.setForeground(QColor(0, 0, 128));
    CommentFormat.setForeground(Qt::gray);
    CommentFormat.setFontItalic(true);
}

void TIniHighlighter::highlightBlock(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.startsWith(QLatin1Char(';'))) {
        setFormat(0, static_cast<int>(text.size()), CommentFormat);
        return;
    }
    if (trimmed.startsWith(QLatin1Char('['))) {
        setFormat(0, static_cast<int>(text.size()), SectionFormat);
        return;
    }
    const qsizetype equals = text.indexOf(QLatin1Char('='));
    if (equals > 0)
        setFormat(0, static_cast<int>(equals), KeyFormat);
}
