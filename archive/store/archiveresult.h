#pragma once
// What a call of the archive gave: its value, or why there is none.

#include "archive/store/archiveerror.h"

#include <optional>

template <class T> struct ArchiveResult
{
    std::optional<T> value;
    ArchiveError error; // when value is empty

    explicit operator bool() const { return value.has_value(); }
    const T &operator*() const { return *value; }
    const T *operator->() const { return &*value; }
};
