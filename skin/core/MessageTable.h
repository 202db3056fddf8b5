// A table of handlers keyed by a message or command number: one row per
// number, each pairing the number with the function that answers it, so that a
// window procedure with many messages reads as its table does. The dispatcher
// cracks WParam and LParam once into an argument record of its own, looks up
// the row and calls the handler; a number without a row is left to the caller
// (the previous window procedure, the default handler).
//
//     constexpr TsMessageRow<UINT, Handler> kRows[] = {
//         {WM_SIZE, OnSize},        // bool OnSize(SizeCall&)
//         {WM_MOVE, OnMove},
//     };
//     static_assert(HasUniqueNumbers(kRows));
//     if (Handler h = FindMessageHandler(kRows, msg)) ...
#pragma once
#include <cstddef>

template <class Key, class Handler>
struct TsMessageRow {
    Key Number;
    Handler Handle;
};

// The handler of number, or nullptr when the table has no row for it.
template <class Key, class Handler, std::size_t N>
constexpr Handler FindMessageHandler(const TsMessageRow<Key, Handler> (&table)[N], Key number)
{
    for (const auto& row : table)
        if (row.Number == number)
            return row.Handle;
    return nullptr;
}

// False when a number has two rows (the second would never be reached).
template <class Key, class Handler, std::size_t N>
constexpr bool HasUniqueNumbers(const TsMessageRow<Key, Handler> (&table)[N])
{
    for (std::size_t i = 0; i < N; ++i)
        for (std::size_t j = i + 1; j < N; ++j)
            if (table[i].Number == table[j].Number)
                return false;
    return true;
}
