#pragma once

#include <QTest>

#include <array>

// A _data() table in two parts: the columns, named once with their types, and
// a function that adds one named row, each value taking its column's type
// (so braced values and plain literals need no casts):
//   const auto row = addColumns<QSize, bool>({"size", "fits"});
//   row("wider than the screen", {2000, 500}, false);
template <typename... Columns>
auto addColumns(const std::array<const char *, sizeof...(Columns)> &names) {
    auto name = names.begin();
    (QTest::addColumn<Columns>(*name++), ...);
    return [](const char *row, const Columns &...values) { (QTest::newRow(row) << ... << values); };
}
