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

    void Clear() { FLines->clear(); }
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

protected:
    void Add(const QString& line) { FLines->append(line); }

private:
    void WriteCells(const QString& cellTag, const TStringDynArray& values, const TStringDynArray& cellAttrs,
                    const QString& rowAttrs);

    QStringList* FLines;
};
