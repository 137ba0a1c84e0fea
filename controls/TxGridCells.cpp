#include "TxGridCells.h"

QString TStringSparseList::Text(int index) const
{
    const TStringItem* item = FList.Get(index);
    return item ? item->Text : QString();
}

void* TStringSparseList::Object(int index) const
{
    const TStringItem* item = FList.Get(index);
    return item ? item->Object : nullptr;
}

void TStringSparseList::SetText(int index, const QString& text)
{
    TStringItem* item = FList.Get(index);
    if (text.isEmpty() && (!item || !item->Object)) {
        FList.Put(index, nullptr);
        return;
    }
    auto replacement = std::make_unique<TStringItem>();
    replacement->Object = item ? item->Object : nullptr;
    replacement->Text = text;
    FList.Put(index, std::move(replacement));
}

void TStringSparseList::SetObject(int index, void* object)
{
    if (TStringItem* item = FList.Get(index)) {
        item->Object = object;
        return;
    }
    if (object)
        FList.GetOrCreate(index).Object = object;
}
