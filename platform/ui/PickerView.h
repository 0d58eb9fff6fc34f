#pragma once

// A spinning list of rows per component. The data source says how many; the delegate gives
// titles and sizes and hears of the rows the user picks.

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/View.h"

namespace platform::ui {

class PickerView;

class PickerViewDataSource {
  public:
    virtual ~PickerViewDataSource() = default;
    virtual int numberOfComponentsInPickerView(PickerView&) = 0;
    virtual int pickerViewNumberOfRowsInComponent(PickerView&, int component) = 0;
};

class PickerViewDelegate {
  public:
    virtual ~PickerViewDelegate() = default;
    virtual std::string pickerViewTitleForRow(PickerView&, int /*row*/, int /*component*/) {
        return {};
    }
    // 0: share the width evenly.
    virtual double pickerViewWidthForComponent(PickerView&, int /*component*/) { return 0; }
    // 0: the default height.
    virtual double pickerViewRowHeightForComponent(PickerView&, int /*component*/) { return 0; }
    virtual void pickerViewDidSelectRow(PickerView&, int /*row*/, int /*component*/) {}
};

class PickerView : public View {
  public:
    static constexpr double kDefaultRowHeight = 32;
    static constexpr double kDefaultHeight = 216;

    static std::shared_ptr<PickerView> create(Rect frame = {});
    explicit PickerView(Rect frame = {});
    const char* className() const override { return "UIPickerView"; }

    // A new data source is asked on the next layout (or use), so it shows rows without an explicit
    // reload.
    void setDataSource(std::weak_ptr<PickerViewDataSource> d) {
        dataSource_ = std::move(d);
        loaded_ = false;
        setNeedsLayout();
    }
    void setDelegate(std::weak_ptr<PickerViewDelegate> d) { delegate_ = std::move(d); }

    // Asks the data source again; selections are kept where they still fit.
    void reloadAllComponents();
    void reloadComponent(int component);
    int numberOfComponents() const { return int(rows_.size()); }
    int numberOfRowsInComponent(int component) const;
    // Row selected in a component, -1 when it has no rows.
    int selectedRowInComponent(int component) const;
    // From code: no delegate call. Rows outside the component are ignored.
    void selectRow(int row, int component, bool animated = false);
    // The user picked a row: selects it and tells the delegate.
    void pickRow(int row, int component);

    std::string titleForRow(int row, int component);
    double widthForComponent(int component);
    double rowHeightForComponent(int component);

    void layoutSubviews() override { ensureLoaded(); }

    // A tap above or below the centre line picks the row shown there.
    void touchesEnded(const TouchSet& t, const Event& e) override;
    void touchesBegan(const TouchSet&, const Event&) override {}
    void touchesMoved(const TouchSet&, const Event&) override {}

  protected:
    void draw(Painter& painter) override;

  private:
    void ensureLoaded();

    std::weak_ptr<PickerViewDataSource> dataSource_;
    std::weak_ptr<PickerViewDelegate> delegate_;
    std::vector<int> rows_;
    std::vector<int> selected_;
    bool loaded_ = false;
};

}  // namespace platform::ui
