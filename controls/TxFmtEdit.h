#pragma once

#include "TxEditLogic.h"

#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QPointer>

#include <functional>

class TFmtEditLabel;

using TEditNotifyEvent = std::function<void(QObject* Sender)>;
using TEditKeyEvent = std::function<void(QObject* Sender, int& Key, TShiftState Shift)>;
using TEditKeyPressEvent = std::function<void(QObject* Sender, QChar& Key)>;

// The program's single-line edit for values: it filters typed keys by the
// kind of its format, shows values with a Format pattern, keeps a range and
// converts between the stored unit and the unit the user chose. The work is
// done by TxEditLogic; this class maps the platform's events onto it.
//
// Descendants (the grids' in-place editor, the property tree's editor) may
// override:
// - EditCanModify: whether typing may change the text (default true);
// - Reset, Validate, ValidateError, ValidateEdit: see TxEditLogic; the key
//   handling calls them through these virtuals, so overrides count;
// - KeyDown(key, shift), KeyPress(key), KeyUp(key, shift): the two phases of
//   every keystroke (see DispatchKeyPress) and the release. The defaults fire
//   OnKeyDown / OnKeyPress / OnKeyUp and then do the edit's own work; set the
//   key to 0 (VK_NONE, a null QChar) to stop it;
// - WantsEscapeKey: whether Escape belongs to the edit rather than to the
//   window (default: while modified, so that an unmodified edit lets Escape
//   close a dialog);
// - DoEnter, DoExit: the focus entry and exit work. Neither runs when the
//   focus moves because a pop-up or another window opened or closed, nor
//   while a failed validation puts the focus back.
class TxCustomEdit : public QLineEdit, protected IEditHost {
    Q_OBJECT
public:
    explicit TxCustomEdit(QWidget* parent = nullptr);
    ~TxCustomEdit() override;

    QString FormatStr() const { return FLogic.FormatStr(); }
    void SetFormatStr(const QString& format) { FLogic.SetFormatStr(format); }
    TFormatType FormatType() const { return FLogic.FormatType(); }
    void SetFormatType(TFormatType type) { FLogic.SetFormatType(type); }
    int SigDigs() const { return FLogic.SigDigs(); }
    void SetSigDigs(int digits) { FLogic.SetSigDigs(digits); }
    int Decimals() const { return FLogic.Decimals(); }
    double RangeLo() const { return FLogic.RangeLo; }
    void SetRangeLo(double value) { FLogic.RangeLo = value; }
    double RangeHi() const { return FLogic.RangeHi; }
    void SetRangeHi(double value) { FLogic.RangeHi = value; }
    // Shown = stored * Factor + Offset, as the unit setters compute them.
    double Factor() const { return FLogic.Factor; }
    double Offset() const { return FLogic.Offset; }

    TUnitsType UnitsType() const { return FLogic.UnitsType(); }
    void SetUnitsType(TUnitsType kind) { FLogic.SetUnitsType(kind); }
    int UnitsBase() const { return FLogic.UnitsBase(); }
    void SetUnitsBase(int index) { FLogic.SetUnitsBase(index); }
    int UnitsValue() const { return FLogic.UnitsValue(); }
    void SetUnitsValue(int index) { FLogic.SetUnitsValue(index); }
    void UpdateUnits() { FLogic.UpdateUnits(); }

    // The label that shows the display unit. Linking leaves the previous
    // label first; either side may be destroyed first.
    TFmtEditLabel* UnitsLabel() const { return FUnitsLabel; }
    void SetUnitsLabel(TFmtEditLabel* label);

    // The text when the edit last received the focus.
    QString OldValue() const { return FLogic.OldValue; }

    // The value in stored units (see TxEditLogic::GetValue): text that is no
    // number comes back as a string. Read numbers with TryGetFloat or
    // AsFloat, never with QVariant::toDouble, which reads such text as 0.
    QVariant Value() const { return FLogic.GetValue(); }
    void SetValue(const QVariant& value) { FLogic.SetValue(value); }
    bool TryGetFloat(double& value) const { return FLogic.TryGetFloat(value); }
    double AsFloat() const { return FLogic.AsFloat(); } // raises EConvertError

    // What a window does before it reads the value: ValidateEdit, OnExit,
    // then the modified mark is cleared.
    void CommitEdit();

    bool EditCanModify() override;
    void Reset() override;
    bool Validate(const QString& text) override;
    void ValidateError() override;
    void ValidateEdit() override;
    virtual bool WantsEscapeKey() const;
    virtual void KeyDown(int& key, TShiftState shift);
    virtual void KeyPress(QChar& key);
    virtual void KeyUp(int& key, TShiftState shift);
    virtual void DoEnter();
    virtual void DoExit();

    TxEditLogic& Logic() { return FLogic; }

    TEditNotifyEvent OnEnter;
    TEditNotifyEvent OnExit;
    TEditKeyEvent OnKeyDown;
    TEditKeyPressEvent OnKeyPress;
    TEditKeyEvent OnKeyUp;
    // After a unit label changed the display unit.
    TEditNotifyEvent OnUnitsEdited;
    // A validation refused the text (it has beeped and shows the entry text
    // again): why.
    std::function<void(QObject* Sender, TEntryCheck Why)> OnRefused;
    // Typed or pasted text went beyond the maximum length and was cut there
    // (the edit has beeped).
    TEditNotifyEvent OnTextCut;

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;

    QString EditText() const override;
    void SetEditText(const QString& text) override;
    int EditSelStart() const override;
    int EditSelLength() const override;
    void SetEditSel(int start, int length) override;
    bool EditModified() const override;
    void SetEditModified(bool modified) override;
    bool EditReadOnly() const override;
    int EditMaxLength() const override;
    void KeepFocus() override;
    void UnitsCaptionChanged(const QString& caption) override;
    void TextCut() override;

private:
    // Scrolls a long text back to its start while the edit has no focus.
    void ShowFromStart();

    friend class TFmtEditLabel;
    TxEditLogic FLogic;
    QPointer<TFmtEditLabel> FUnitsLabel;
    bool FFocusAway = false; // lost the focus to a pop-up or another window
    bool FValidatingOnExit = false;
    bool FKeepingFocus = false;
};

// The numeric edit of windows, with its settings as properties in the order a
// window layout sets them: the units first, the text last.
class TFmtEdit : public TxCustomEdit {
    Q_OBJECT
    Q_PROPERTY(QString FormatStr READ FormatStr WRITE SetFormatStr)
    Q_PROPERTY(int FormatType READ FormatTypeValue WRITE SetFormatTypeValue)
    Q_PROPERTY(int SigDigs READ SigDigs WRITE SetSigDigs)
    Q_PROPERTY(int UnitsType READ UnitsTypeValue WRITE SetUnitsTypeValue)
    Q_PROPERTY(int UnitsBase READ UnitsBase WRITE SetUnitsBase)
    Q_PROPERTY(int UnitsValue READ UnitsValue WRITE SetUnitsValue)
    Q_PROPERTY(double RangeHi READ RangeHi WRITE SetRangeHi)
    Q_PROPERTY(double RangeLo READ RangeLo WRITE SetRangeLo)
public:
    using TxCustomEdit::TxCustomEdit;

    int FormatTypeValue() const { return FormatType(); }
    void SetFormatTypeValue(int type);
    int UnitsTypeValue() const { return UnitsType(); }
    void SetUnitsTypeValue(int kind) { SetUnitsType(UnitsTypeFromInt(kind)); }
};

// A label that shows the unit of the edits linked to it. A click opens the
// units pop-up for the first edit's quantity kind and applies the chosen unit
// to every linked edit, each followed by its OnUnitsEdited; OnClick follows.
class TFmtEditLabel : public QLabel {
    Q_OBJECT
public:
    explicit TFmtEditLabel(QWidget* parent = nullptr);
    ~TFmtEditLabel() override;

    // The linked edits, in link order.
    QList<TxCustomEdit*> Edits() const;

    // The click: the units choice with the pop-up at `pointer` + (5, 5), then
    // OnClick.
    virtual void Click(const QPoint& pointer);

    TEditNotifyEvent OnClick;

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    friend class TxCustomEdit;
    void AddEdit(TxCustomEdit* edit);
    void RemoveEdit(TxCustomEdit* edit);

    QList<QPointer<TxCustomEdit>> FEdits;
    bool FPressed = false;
};
