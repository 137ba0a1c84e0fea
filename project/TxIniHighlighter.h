#pragma once

#include <QColor>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>

// INI-style colouring of a read-only text: section lines ("[Model]") white on
// blue, the keys of "key = value" lines apart from their values, comment
// lines (";" first) grey.
class TIniHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    explicit TIniHighlighter(QTextDocument* document);

    QTextCharFormat SectionFormat;
    QTextCharFormat KeyFormat;
    QTextCharFormat CommentFormat;

    // The background of section lines: red 0, green 128, blue 192.
    static QColor SectionColor() { return QColor(0, 128, 192); }

protected:
    void highlightBlock(const QString& text) override;
};
