#include "platform/ui/PickerView.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/Painter.h"
#include "platform/ui/Touch.h"

namespace platform::ui {

std::shared_ptr<PickerView> PickerView::create(Rect frame) {
    if (frame.isEmpty()) frame.size = {320, kDefaultHeight};
    return std::make_shared<PickerView>(frame);
}

PickerView::PickerView(Rect frame) : View(frame) {
    setBackgroundColor(Color::white(0.9f));
    // A wheel: the rows above and below the band run out of sight at its edges, never over
    // whatever stands next to it.
    setClipsToBounds(true);
}

void PickerView::ensureLoaded() {
    if (!loaded_) reloadAllComponents();
}

void PickerView::reloadAllComponents() {
    loaded_ = true;
    auto ds = dataSource_.lock();
    int components = ds ? std::max(0, ds->numberOfComponentsInPickerView(*this)) : 0;
    rows_.assign(std::size_t(components), 0);
    selected_.resize(std::size_t(components), 0);
    for (int c = 0; c < components; ++c) reloadComponent(c);
}

void PickerView::reloadComponent(int c) {
    if (c < 0 || c >= int(rows_.size())) return;
    auto ds = dataSource_.lock();
    int n = ds ? std::max(0, ds->pickerViewNumberOfRowsInComponent(*this, c)) : 0;
    rows_[std::size_t(c)] = n;
    int& s = selected_[std::size_t(c)];
    s = n == 0 ? 0 : std::clamp(s, 0, n - 1);
    setNeedsDisplay();
}

int PickerView::numberOfRowsInComponent(int c) const {
    return c >= 0 && c < int(rows_.size()) ? rows_[std::size_t(c)] : 0;
}

int PickerView::selectedRowInComponent(int c) const {
    if (numberOfRowsInComponent(c) == 0) return -1;
    return selected_[std::size_t(c)];
}

void PickerView::selectRow(int row, int c, bool) {
    ensureLoaded();
    if (row < 0 || row >= numberOfRowsInComponent(c)) return;
    changeDrawn(selected_[std::size_t(c)], row);
}

void PickerView::pickRow(int row, int c) {
    ensureLoaded();
    if (row < 0 || row >= numberOfRowsInComponent(c)) return;
    changeDrawn(selected_[std::size_t(c)], row);
    if (auto d = delegate_.lock()) d->pickerViewDidSelectRow(*this, row, c);
}

std::string PickerView::titleForRow(int row, int c) {
    auto d = delegate_.lock();
    return d ? d->pickerViewTitleForRow(*this, row, c) : std::string();
}

double PickerView::widthForComponent(int c) {
    ensureLoaded();
    if (auto d = delegate_.lock())
        if (double w = d->pickerViewWidthForComponent(*this, c); w > 0) return w;
    return rows_.empty() ? 0 : bounds().size.width / double(rows_.size());
}

double PickerView::rowHeightForComponent(int c) {
    if (auto d = delegate_.lock())
        if (double h = d->pickerViewRowHeightForComponent(*this, c); h > 0) return h;
    return kDefaultRowHeight;
}

void PickerView::touchesEnded(const TouchSet& t, const Event&) {
    ensureLoaded();
    if (t.empty() || rows_.empty()) return;
    Point p = t.front()->locationInView(this);
    // Components sit side by side, centred as a group.
    double total = 0;
    for (int c = 0; c < numberOfComponents(); ++c) total += widthForComponent(c);
    double x = bounds().midX() - total / 2;
    for (int c = 0; c < numberOfComponents(); ++c) {
        double w = widthForComponent(c);
        if (p.x >= x && p.x < x + w) {
            double offset = (p.y - bounds().midY()) / rowHeightForComponent(c);
            int row = selected_[std::size_t(c)] + int(std::lround(offset));
            int n = numberOfRowsInComponent(c);
            if (n > 0) pickRow(std::clamp(row, 0, n - 1), c);
            return;
        }
        x += w;
    }
}

void PickerView::draw(Painter& painter) {
    Rect b = bounds();
    int comps = numberOfComponents();
    double total = 0;
    for (int c = 0; c < comps; ++c) total += widthForComponent(c);
    double x = b.midX() - total / 2;
    for (int c = 0; c < comps; ++c) {
        double w = widthForComponent(c), h = rowHeightForComponent(c);
        int sel = selectedRowInComponent(c);
        // The selection band, then the rows above and below it as far as the view reaches.
        painter.fillRect({x, b.midY() - h / 2, w, h}, {0.55f, 0.65f, 0.85f, 0.6f});
        int visible = int(b.size.height / h / 2) + 1;
        for (int d = -visible; d <= visible; ++d) {
            int row = sel + d;
            if (sel < 0 || row < 0 || row >= numberOfRowsInComponent(c)) continue;
            Rect cell{x + 8, b.midY() - h / 2 + d * h, w - 16, h};
            TextStyle style{{std::min(22.0, h * 0.55), d == 0}, TextAlignment::Center, 1, true};
            painter.drawText(titleForRow(row, c), cell, style, Color::black(),
                             d == 0 ? 1.0f : 0.55f);
        }
        x += w;
    }
}

}  // namespace platform::ui
