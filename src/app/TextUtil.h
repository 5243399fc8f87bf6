#pragma once
// Small text helpers of the main window.

#include <QString>

// The decimal digits of n grouped in threes with commas: 999, 1,234,
// 1,234,567. A negative number keeps its sign in front: -1,234.
QString InsertThousandSeparator(qint64 n);
