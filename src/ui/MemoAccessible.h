#pragma once
// The text view as screen readers see it: a read-only multi-line text whose
// characters are the shown lines joined by line feeds, with the caret and
// the selection as offsets into that text.

#include <functional>

class QAccessibleEvent;
class TDCMemo;

// Installs the accessibility factory once and connects the view's caret and
// selection changes to the accessibility events that announce them.
void ConnectMemoAccessibility(TDCMemo* memo);
// Where those events go: QAccessible::updateAccessibility while an assistive
// technology listens. Tests put a sink of their own here; an empty function
// restores the default.
void SetMemoAccessibilitySink(std::function<void(QAccessibleEvent*)> sink);
