#pragma once

#include "TxFormat.h"
#include "TxTypes.h"

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringList>

// Text routines with the program's ASCII semantics: a "blank" is any
// character with a code of 32 or less; letter case is folded for ASCII
// letters only. Positions are 0-based.

bool IsBlank(QChar c);
QString Trim(const QString& text); // blanks removed at both ends
QString TrimLeft(const QString& text);
QString TrimRight(const QString& text);
bool SameText(const QString& a, const QString& b); // ASCII case-insensitive
QString AsciiUpper(const QString& text);
QString AsciiLower(const QString& text);

int IndexOfText(const QString& text, const QStringList& list);
QString RemoveSpaces(const QString& text);
QString StripDigits(const QString& text);
int DecimalsForSigDigits(int sigDigits, int maxDecimals, double value);
QString SigDigitsFormat(int sigDigits, int maxDecimals, double value);
int DecimalsOfFormat(const QString& format);
QString GetToken(int n, QChar delimiter, const QString& text);
void SplitPair(const QString& text, QChar ch, QString& left, QString& right, bool& found);
void SplitToStrings(const QString& text, QChar delimiter, QStringList& list);
void SplitToArray(const QString& text, QChar delimiter, TStringDynArray& array);
void SplitCommaList(const QString& text, TStringDynArray& array);
QString JoinWithComma(const TStringDynArray& array);
QString JoinFloats(const TDoubleDynArray& values, const QString& format);
// Raises EConvertError for an exponent that is no whole number ("1e-").
QString NormaliseNumberText(const QString& text);
// A number as the user typed it: NormaliseNumberText, then CheckFloat.
TEntryCheck CheckTypedFloat(const QString& text, double& value);
// As CheckTypedFloat, for an entry that must be a whole number: a fraction
// is ecNotWhole, a whole number the double does not hold exactly (beyond
// 2^53 not every one is) ecOutOfRange, never silently another.
TEntryCheck CheckTypedWhole(const QString& text, double& value);
// The same for `value`, which CheckFloat read from `text`.
TEntryCheck CheckExactWhole(const QString& text, double value);
// A typed pair "a/b", or a single number (`two` false, `b` untouched).
TEntryCheck CheckTypedPair(const QString& text, double& a, double& b, bool& two);
// Why an entry was refused, as the windows say it ("not a number").
QString EntryCheckText(TEntryCheck check);
QString StripTrailingComma(const QString& text);
bool ParseValuePair(const QString& text, double& a, double& b); // raises EConvertError
QString ReplaceCharByText(QChar ch, const QString& newText, const QString& text);
QString ReplaceTextByChar(const QString& oldText, QChar ch, const QString& text);
// Leaves `lines` as they are when the name leads to no regular file; raises
// EInOutError for one too large or unreadable. The first `maxLines` lines
// only, when it is not negative.
void LoadLinesFromFile(const QString& fileName, TStringDynArray& lines, qsizetype maxLines = -1);

// Comma text as list controls and XML lists read it: items separated by
// commas or blanks, an item that begins with a double quote runs to its
// closing quote (a doubled quote inside stands for one), a comma at the very
// end adds one empty item.
QStringList CommaTextToList(const QString& text);
// The reverse: items joined with ",", quoted when they hold a blank, a comma
// or a quote, or are empty.
QString ListToCommaText(const QStringList& items);

// Text of a file a user or an older program may have written: UTF-8 (a
// byte-order mark is dropped), each line that does not decode as UTF-8 read
// as Windows-1252.
QString DecodeText(const QByteArray& bytes);
QString DecodeWindows1252(const QByteArray& bytes);
QByteArray EncodeWindows1252(const QString& text); // characters it lacks become '?'
