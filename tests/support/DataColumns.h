#pragma once

#include <QTest>

#include <array>

// Declares a _data() table's columns in one go, names in the order of the types:
// addColumns<QString, int>({"name", "reads"}).
template <typename... Types> void addColumns(const std::array<const char*, sizeof...(Types)>& names)
{
    size_t i = 0;
    (QTest::addColumn<Types>(names[i++]), ...);
}
