#include "TabOrder.h"

#include <QtWidgets/QWidget>
#include <algorithm>

namespace tavrel {

namespace {

struct Stop {
    QWidget* widget;
    int group;
    int row = 0;
};

int groupOf(const QWidget* widget, const std::vector<QWidget*>& groups) {
    for (std::size_t g = 0; g < groups.size(); ++g)
        if (groups[g]->geometry().contains(widget->geometry().center())) return static_cast<int>(g);
    return static_cast<int>(groups.size());
}

// Fields and the buttons beside them differ by a few pixels in height and top; a control belongs
// to a row while its middle lies above the bottom of the row's first control.
void orderGroup(std::vector<Stop>::iterator begin, std::vector<Stop>::iterator end) {
    const auto middle = [](const Stop& stop) { return stop.widget->geometry().center().y(); };
    std::stable_sort(begin, end, [&](const Stop& a, const Stop& b) { return middle(a) < middle(b); });
    int row = 0;
    int rowBottom = -1;
    for (auto stop = begin; stop != end; ++stop) {
        if (middle(*stop) > rowBottom) {
            ++row;
            rowBottom = stop->widget->geometry().bottom();
        }
        stop->row = row;
    }
    std::stable_sort(begin, end, [](const Stop& a, const Stop& b) {
        return a.row != b.row ? a.row < b.row : a.widget->x() < b.widget->x();
    });
}

}  // namespace

void orderTabsByLayout(QWidget* page, const std::vector<QWidget*>& groups) {
    std::vector<Stop> stops;
    for (QWidget* child : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->focusPolicy() & Qt::TabFocus) stops.push_back({child, groupOf(child, groups)});
    std::stable_sort(stops.begin(), stops.end(),
                     [](const Stop& a, const Stop& b) { return a.group < b.group; });
    for (auto begin = stops.begin(); begin != stops.end();) {
        const auto end =
            std::find_if(begin, stops.end(), [&](const Stop& s) { return s.group != begin->group; });
        orderGroup(begin, end);
        begin = end;
    }
    for (std::size_t i = 1; i < stops.size(); ++i) QWidget::setTabOrder(stops[i - 1].widget, stops[i].widget);
}

}  // namespace tavrel
