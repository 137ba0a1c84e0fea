#pragma once

#include "TxEditLogic.h"

#include <QString>

// The edit logic over a text buffer in memory, as a control would drive it.
class TMemoryEdit : public IEditHost {
public:
    TMemoryEdit() : Logic(*this) {}

    QString Text = QStringLiteral("0.0");
    int SelStart = 3;
    int SelLength = 0;
    bool Modified = false;
    bool ReadOnly = false;
    bool CanModify = true;
    int MaxLength = 32767;
    int FocusKept = 0;
    QString Caption;
    int CaptionChanges = 0;
    TxEditLogic Logic;

    void Select(int start, int length)
    {
        SelStart = start;
        SelLength = length;
    }
    // The user's entry: focus in, everything selected.
    void Enter()
    {
        Logic.Enter();
        Select(0, static_cast<int>(Text.size()));
    }
    // Runs keys through both phases: "\b" Backspace, "\r" Return, "\x1b" Escape.
    void Type(const QString& keys)
    {
        for (QChar c : keys) {
            int key = VK_UNKNOWN;
            if (c == QLatin1Char('\b'))
                key = VK_BACK;
            else if (c == QLatin1Char('\r'))
                key = VK_RETURN;
            else if (c == QChar(27))
                key = VK_ESCAPE;
            Logic.KeyDown(key, 0);
            QChar ch = c;
            Logic.KeyPress(ch);
        }
    }

    QString EditText() const override { return Text; }
    void SetEditText(const QString& text) override
    {
        Text = text;
        SelStart = static_cast<int>(text.size());
        SelLength = 0;
        Modified = false;
    }
    int EditSelStart() const override { return SelStart; }
    int EditSelLength() const override { return SelLength; }
    void SetEditSel(int start, int length) override { Select(start, length); }
    bool EditModified() const override { return Modified; }
    void SetEditModified(bool modified) override { Modified = modified; }
    bool EditReadOnly() const override { return ReadOnly; }
    int EditMaxLength() const override { return MaxLength; }
    bool EditCanModify() override { return CanModify; }
    void Reset() override { Logic.Reset(); }
    bool Validate(const QString& text) override { return Logic.Validate(text); }
    void ValidateError() override { Logic.ValidateError(); }
    void ValidateEdit() override { Logic.ValidateEdit(); }
    void KeepFocus() override { ++FocusKept; }
    void UnitsCaptionChanged(const QString& caption) override
    {
        Caption = caption;
        ++CaptionChanges;
    }
};
