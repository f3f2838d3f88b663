#pragma once
// The keyboard walks each group of a window as the eye reads it: rows top to bottom, each row left
// to right, whatever order the controls were created in.
#include <vector>

class QWidget;

namespace tavrel {

// Orders the focusable children of `page` group by group, in the order `groups` are given; a child
// inside none of them comes after the last group. Groups are found by geometry, not by parent.
void orderTabsByLayout(QWidget* page, const std::vector<QWidget*>& groups);

}  // namespace tavrel
