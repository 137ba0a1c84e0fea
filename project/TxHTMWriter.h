#pragma once

#include "TxTypes.h"

#include <QString>
#include <QStringList>

// Text that comes from a project or the catalogue, made safe to stand in an
// HTML line or attribute: & < > and " become entities.
QString HtmlEscape(const QString& text);

// Builds an HTML document as a list of lines, one call per line. Texts and
// attributes go in unchanged, so callers may pass fragments such as
// "<b>Total</b>"; text from outside the program goes through HtmlEscape first.
// The list belongs to the caller.
class THTMWriter {
public:
    explicit THTMWriter(QStringList& lines);
    virtual ~THTMWriter();
    THTMWriter(const THTMWriter&) = delete;
    THTMWriter& operator=(const THTMWriter&) = delete;

    QStringList& Lines() const { return *FLines; }

    // The bytes of the saved document so far: each line added in UTF-8,
    // followed by CR LF.
    qint64 Bytes() const { return FBytes; }
    // A line that would take the document beyond `maxBytes` raises
    // EInOutError with `refusal` instead of being added; -1 for no bound.
    void SetMaxBytes(qint64 maxBytes, const QString& refusal);
    // What a text takes in UTF-8, and what a line or a row's cell takes in
    // the saved document.
    static qint64 TextBytes(const QString& text);
    static qint64 LineBytes(const QString& line) { return TextBytes(line) + 2; }
    static qint64 CellBytes(const QString& value, const QString& attrs = QString());
    // A row of WriteRow but its cells.
    static qint64 RowFrameBytes(const QString& rowAttrs = QString());

    static QString OpenTag(const QString& tag, const QString& attrs = QString());
    static QString CloseTag(const QString& tag);

    static QString HtmlTag(const QString& attrs = QString()) { return OpenTag(QStringLiteral("html"), attrs); }
    static QString HtmlEndTag() { return CloseTag(QStringLiteral("html")); }
    static QString HeadTag(const QString& attrs = QString()) { return OpenTag(QStringLiteral("head"), attrs); }
    static QString HeadEndTag() { return CloseTag(QStringLiteral("head")); }
    static QString BodyTag(const QString& attrs = QString()) { return OpenTag(QStringLiteral("body"), attrs); }
    static QString BodyEndTag() { return CloseTag(QStringLiteral("body")); }
    static QString ParagraphTag(const QString& attrs = QString()) { return OpenTag(QStringLiteral("p"), attrs); }
    static QString ParagraphEndTag() { return CloseTag(QStringLiteral("p")); }
    static QString DivTag(const QString& attrs = QString()) { return OpenTag(QStringLiteral("div"), attrs); }
    static QString DivEndTag() { return CloseTag(QStringLiteral("div")); }
    static QString TableTag(const QString& attrs = QString()) { return OpenTag(QStringLiteral("table"), attrs); }
    static QString TableEndTag() { return CloseTag(QStringLiteral("table")); }
    static QString ImageTag(const QString& src, const QString& attrs = QString());

    void BeginHtml(const QString& attrs = QString()) { Add(HtmlTag(attrs)); }
    void EndHtml() { Add(HtmlEndTag()); }
    void BeginHead(const QString& attrs = QString()) { Add(HeadTag(attrs)); }
    void EndHead() { Add(HeadEndTag()); }
    void BeginBody(const QString& attrs = QString()) { Add(BodyTag(attrs)); }
    void EndBody() { Add(BodyEndTag()); }
    void BeginParagraph(const QString& attrs = QString()) { Add(ParagraphTag(attrs)); }
    void EndParagraph() { Add(ParagraphEndTag()); }
    void BeginDiv(const QString& attrs = QString()) { Add(DivTag(attrs)); }
    void EndDiv() { Add(DivEndTag()); }
    void BeginTable(const QString& attrs = QString()) { Add(TableTag(attrs)); }
    void EndTable() { Add(TableEndTag()); }

    void Clear();
    void WriteTag(const QString& tag, const QString& attrs = QString()) { Add(OpenTag(tag, attrs)); }
    void WriteTitle(const QString& text);
    void WriteHeading(const QString& text, int level, const QString& attrs = QString());
    void WriteImage(const QString& src, const QString& attrs = QString()) { Add(ImageTag(src, attrs)); }
    void WriteParagraph(const QString& text, const QString& attrs = QString());
    void WriteLines(const TStringDynArray& strings, const QString& attrs = QString());
    void WriteLine(const QString& text);
    void WriteStyleLink(const QString& href, const QString& attrs = QString());
    void WriteBreak();
    void NewLine() { WriteBreak(); }
    void WriteClearBreak();
    void ClearFloats() { WriteClearBreak(); }
    void WriteRule(const QString& attrs = QString()) { Add(OpenTag(QStringLiteral("hr"), attrs)); }
    void WriteSpacer();
    // One row of header (th) or data (td) cells; cell i takes cellAttrs[i]
    // when there is one.
    void WriteHeaderRow(const TStringDynArray& values, const TStringDynArray& cellAttrs,
                        const QString& rowAttrs = QString());
    void WriteRow(const TStringDynArray& values, const TStringDynArray& cellAttrs, const QString& rowAttrs = QString());

    // Appends one line as it is.
    void Add(const QString& line);

private:
    void WriteCells(const QString& cellTag, const TStringDynArray& values, const TStringDynArray& cellAttrs,
                    const QString& rowAttrs);

    QStringList* FLines;
    qint64 FBytes = 0;
    qint64 FMaxBytes = -1;
    QString FRefusal;
};
