#pragma once

// What an edit grid computes without a window: cell texts to values in
// stored units and back through a field's unit and format, spin and choice
// steps, a field's unit change, captions and the places of the editor
// buttons and the drop-down list.

#include "TxEditLogic.h"
#include "TxFields.h"
#include "TxGridModel.h"

#include <QString>
#include <QVariant>

#include <map>
#include <utility>

// Anchors of the cells of one grid, kept in step with row and column moves.
class TCellAnchors {
public:
    void Set(int col, int row, const TValueAnchor& anchor);
    // The anchor of a cell that still holds `text`; null otherwise.
    const TValueAnchor* Find(int col, int row, const QString& text) const;
    void Remove(int col, int row);
    void RemoveColumn(int col);
    void Clear() { FItems.clear(); }
    // As the grid moves a row or column: `from` goes to `to`, the ones
    // between shift by one.
    void MoveRow(int from, int to);
    void MoveColumn(int from, int to);
    // Drops anchors outside a grid of this size.
    void Truncate(int colCount, int rowCount);
    int Count() const { return static_cast<int>(FItems.size()); }

private:
    std::map<std::pair<int, int>, TValueAnchor> FItems; // (col, row)
};

// The value of a data cell's text in stored units (display value - Offset) /
// Factor: a pair field gives the text "a/b" (an empty cell counts as
// "0.0/0.0"; a single number gives "%0.4g" of it), a number field a Double
// (an Integer for "%d" patterns, nearest, ties to even), a choice field the
// position of the text among the choices (any case; -1 when absent), any
// other field the text. Text that is no number comes back as the text.
// `anchor` is the cell's anchor, if any.
QVariant CellTextToValue(const TField& field, const QString& text, const TValueAnchor* anchor = nullptr);

// The text that shows `value` (stored units) in a data cell of `field`, and
// in `anchor` the stored value it shows. Raises EConvertError when the value
// cannot be shown (no number, a choice out of range); the cell is then
// emptied.
QString CellValueToText(const TField& field, const QVariant& value, TValueAnchor* anchor = nullptr);

// The number an editor shows for a stored value: the display value with the
// fewest digits that reads back as exactly that stored value; with none up
// to 15 digits, the display value to 15 digits (which the grid takes as the
// stored value while it is not retyped).
double ExactEditValue(const TNumField& field, double stored);

// The text the grid draws for a data cell: a number field's text read as a
// number and formatted with the field's format, a pair's two numbers; empty
// when the text does not read, and for other fields.
QString FieldDisplayText(const TField& field, const QString& text);

// One spin step of `x` (stored units) of a number field: up to the next
// multiple of Step above x (x first rounded to the field's format), down to
// the next below, then into [Low, High]. False when nothing changes: x is
// already at the bound it moves towards, or the step is 0.
bool SpinValue(const TNumField& field, double& x, bool up);

// The next choice position among `count` (forward, after the last comes the
// first) or the previous one (before the first comes the last). A text that
// is no choice (-1) steps forward to the first and back to no choice (-2).
int StepChoice(int position, int count, bool forward);

// Takes the field's chosen unit: Factor and Offset, the unit's format
// (unless the format type is manual or the field has no kind) with its
// decimals, and a pair format for a pair field. Returns the unit's label.
QString ApplyFieldUnits(TNumField& field);

// The caption up to and including its first "," followed by the label; a
// caption without a comma becomes the label. An empty label (no unit kind)
// leaves the caption as it is.
QString CaptionWithUnits(const QString& caption, const QString& label);

enum TEditButtonKind { ebPropEd, ebPullDown, ebSpinUp, ebSpinDown };

// Where an editor button sits at the right end of a cell (client
// coordinates): property-editor and pull-down buttons are squares of the row
// height; spin buttons are as wide as the row is high and half as high
// (halves to even), the down button below the up button.
TPixelRect EditButtonRect(TEditButtonKind kind, const TPixelRect& cell, int rowHeight);

// The drop-down list below a cell (client coordinates): one item height more
// than up to five choices; as wide as the cell and its line, widened to the
// widest choice + 8 pixels when that is wider and below 200.
TPixelRect DropDownListRect(const TPixelRect& cell, int gridLineWidth, int defaultRowHeight, int itemHeight, int count,
                            int widestText);
