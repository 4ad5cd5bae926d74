// The latest entry of a record that a fake keeps. When nothing was recorded the
// test fails, naming the record, and reads a zero value instead of crashing.
#pragma once

#include <gtest/gtest.h>

#include <vector>

template <class T> T Last(const std::vector<T>& record, const char* pszWhat)
{
    if (record.empty())
    {
        ADD_FAILURE() << "no " << pszWhat << " was recorded";
        return T{};
    }
    return record.back();
}
