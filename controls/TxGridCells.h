#pragma once

// Sparse storage for a string grid's cells: memory in proportion to the
// cells written, not to the grid's size.

#include <QString>

#include <map>
#include <memory>
#include <utility>

// A list of owned items indexed from 0 where most slots are empty. Count is
// the highest occupied index + 1.
template <class T>
class TSparseList {
public:
    int Count() const { return FItems.empty() ? 0 : FItems.rbegin()->first + 1; }
    bool Empty() const { return FItems.empty(); }

    T* Get(int index) const
    {
        const auto it = FItems.find(index);
        return it == FItems.end() ? nullptr : it->second.get();
    }

    // Stores `item` at index (null empties the slot).
    void Put(int index, std::unique_ptr<T> item)
    {
        if (item)
            FItems[index] = std::move(item);
        else
            FItems.erase(index);
    }

    T& GetOrCreate(int index)
    {
        std::unique_ptr<T>& slot = FItems[index];
        if (!slot)
            slot = std::make_unique<T>();
        return *slot;
    }

    std::unique_ptr<T> Take(int index)
    {
        const auto it = FItems.find(index);
        if (it == FItems.end())
            return nullptr;
        std::unique_ptr<T> item = std::move(it->second);
        FItems.erase(it);
        return item;
    }

    // Shifts the slots from index on up by one and puts `item` at index.
    void Insert(int index, std::unique_ptr<T> item)
    {
        std::map<int, std::unique_ptr<T>> shifted;
        for (auto it = FItems.lower_bound(index); it != FItems.end();) {
            shifted.emplace(it->first + 1, std::move(it->second));
            it = FItems.erase(it);
        }
        FItems.merge(shifted);
        Put(index, std::move(item));
    }

    // Removes slot index and shifts the slots above it down by one.
    void Delete(int index)
    {
        FItems.erase(index);
        std::map<int, std::unique_ptr<T>> shifted;
        for (auto it = FItems.upper_bound(index); it != FItems.end();) {
            shifted.emplace(it->first - 1, std::move(it->second));
            it = FItems.erase(it);
        }
        FItems.merge(shifted);
    }

    // Moves slot `from` to `to`; the slots between shift by one.
    void Move(int from, int to)
    {
        if (from == to)
            return;
        std::unique_ptr<T> item = Take(from);
        Delete(from);
        Insert(to, std::move(item));
    }

    void Exchange(int a, int b)
    {
        std::unique_ptr<T> x = Take(a);
        std::unique_ptr<T> y = Take(b);
        Put(a, std::move(y));
        Put(b, std::move(x));
    }

    // Drops every slot at or above `count`.
    void Truncate(int count) { FItems.erase(FItems.lower_bound(count), FItems.end()); }

    void Clear() { FItems.clear(); }

    // Calls f(index, item) for the occupied slots in ascending order until f
    // answers non-zero; answers that value (0 when it ran through).
    template <class F>
    int ForAll(F f) const
    {
        for (const auto& [index, item] : FItems)
            if (const int r = f(index, *item))
                return r;
        return 0;
    }

private:
    std::map<int, std::unique_ptr<T>> FItems;
};

// A stored cell: its text and an object pointer the grid does not own.
struct TStringItem {
    void* Object = nullptr;
    QString Text;
};

// One row's cells, indexed by column.
class TStringSparseList {
public:
    int Count() const { return FList.Count(); }
    QString Text(int index) const;
    void* Object(int index) const;
    // An empty text without an object removes the cell.
    void SetText(int index, const QString& text);
    // A null object on an absent cell creates nothing.
    void SetObject(int index, void* object);
    void Move(int from, int to) { FList.Move(from, to); }
    void Truncate(int count) { FList.Truncate(count); }
    template <class F>
    int ForAll(F f) const
    {
        return FList.ForAll(f);
    }

private:
    TSparseList<TStringItem> FList;
};
