// Advanced tab control: a tab bar over a panel, one page per tab. Every page covers the whole
// control, so a child's stored position is relative to the control's top-left corner; the
// bar stays above the pages.
#pragma once

#include <QWidget>
#include <vector>

class QTabBar;

namespace quorix::host {

class TabControlWidget : public QWidget {
public:
    explicit TabControlWidget(QWidget* parent);

    QTabBar* bar() const { return bar_; }
    int pageCount() const { return static_cast<int>(pages_.size()); }
    QWidget* page(int index) const;
    void AddPage(const QString& caption);
    // Shows the page of the current tab and hides the others.
    void ShowCurrentPage();

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Ctrl+Tab and Ctrl+Shift+Tab from a control on a page go to the next and the previous tab.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void LayOut();

    QTabBar* bar_ = nullptr;
    std::vector<QWidget*> pages_;
};

// Which page holds each child: the stored child list gives each tab's children in tab order,
// each tab's list closed by a 0 entry. Returns one list per tab.
std::vector<std::vector<uint32_t>> SplitTabChildren(const std::vector<uint32_t>& children);

}  // namespace quorix::host
