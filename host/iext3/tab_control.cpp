#include "host/iext3/tab_control.h"

#include <QKeyEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>
#include <algorithm>

#include "host/krnln/controls/control_util.h"
#include "host/krnln/controls/kinds.h"
#include "host/krnln/fonts.h"
#include "image/form_types.h"
#include "runtime/commands.h"

namespace quorix::host {
namespace {

// A page: transparent but for the panel frame below the tab bar.
class TabPage : public QWidget {
public:
    TabPage(QWidget* parent, QTabBar* bar) : QWidget(parent), bar_(bar) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QStyleOptionTabWidgetFrame option;
        option.initFrom(this);
        const int top = std::max(0, bar_->height() - 1);
        option.rect = QRect(0, top, width(), height() - top);
        option.shape = QTabBar::RoundedNorth;
        option.tabBarSize = bar_->size();
        option.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
        style()->drawPrimitive(QStyle::PE_FrameTabWidget, &option, &painter, this);
    }

private:
    QTabBar* bar_;
};

}  // namespace

std::vector<std::vector<uint32_t>> SplitTabChildren(const std::vector<uint32_t>& children) {
    std::vector<std::vector<uint32_t>> tabs;
    std::vector<uint32_t> current;
    for (uint32_t id : children) {
        if (id == 0) {
            tabs.push_back(std::move(current));
            current.clear();
        } else {
            current.push_back(id);
        }
    }
    // A last list without its closing 0 still belongs to a tab.
    if (!current.empty()) tabs.push_back(std::move(current));
    return tabs;
}

TabControlWidget::TabControlWidget(QWidget* parent) : QWidget(parent) {
    bar_ = new QTabBar(this);
    bar_->setObjectName(QStringLiteral("tabs"));
    bar_->setDrawBase(false);
    bar_->setExpanding(false);
    connect(bar_, &QTabBar::currentChanged, this, [this] { ShowCurrentPage(); });
}

QWidget* TabControlWidget::page(int index) const {
    return index >= 0 && index < pageCount() ? pages_[static_cast<size_t>(index)] : nullptr;
}

void TabControlWidget::AddPage(const QString& caption) {
    auto* page = new TabPage(this, bar_);
    page->setObjectName(QStringLiteral("page%1").arg(pages_.size()));
    pages_.push_back(page);
    bar_->addTab(caption);
    LayOut();
    ShowCurrentPage();
}

void TabControlWidget::ShowCurrentPage() {
    const int current = bar_->currentIndex();
    for (int i = 0; i < pageCount(); ++i) pages_[static_cast<size_t>(i)]->setVisible(i == current);
    bar_->raise();
}

void TabControlWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayOut();
}

void TabControlWidget::keyPressEvent(QKeyEvent* event) {
    // A control on a page that keeps Tab for itself lets Ctrl+Tab come up here; a window with
    // tabs answers it by turning to the next tab (with Shift, the previous one), round.
    const bool tab = event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab;
    if (!tab || !(event->modifiers() & Qt::ControlModifier) || bar_->count() < 2) {
        return QWidget::keyPressEvent(event);
    }
    const int step =
        event->key() == Qt::Key_Backtab || (event->modifiers() & Qt::ShiftModifier) ? -1 : 1;
    int index = bar_->currentIndex();
    for (int tried = 1; tried < bar_->count(); ++tried) {
        index = (index + step + bar_->count()) % bar_->count();
        if (bar_->isTabEnabled(index)) {
            bar_->setCurrentIndex(index);
            break;
        }
    }
    event->accept();
}

void TabControlWidget::LayOut() {
    const QSize hint = bar_->sizeHint();
    bar_->setGeometry(2, 0, std::min(hint.width(), std::max(0, width() - 4)), hint.height());
    for (QWidget* page : pages_) page->setGeometry(0, 0, width(), height());
    bar_->raise();
}

namespace {

class TabControlUnit : public UnitHost {
public:
    TabControlUnit(Runtime& rt, const form::UnitBlock& block, const form::TabControlProps& values,
                   TabControlWidget* tabs)
        : UnitHost(rt, block, tabs), tabs_(tabs), tab_children_(SplitTabChildren(block.children)) {
        tabs_->bar()->setFont(FontFromLogFont(values.font));
        const size_t count = std::max(values.captions.size(), tab_children_.size());
        for (size_t i = 0; i < count; ++i) {
            tabs_->AddPage(i < values.captions.size() ? FromBlockText(values.captions[i])
                                                      : QString());
        }
        tabs_->bar()->setCurrentIndex(count > 0 ? 0 : -1);
        connections_ += QObject::connect(tabs_->bar(), &QTabBar::currentChanged, [this] {
            if (!programmatic_) Raise(abi::kEvTabChanged);
        });
    }

    uint32_t ReadProperty(uint32_t property, int32_t member) override {
        if (property == abi::kPropCurrentTab)
            return static_cast<uint32_t>(tabs_->bar()->currentIndex());
        return UnitHost::ReadProperty(property, member);
    }
    void WriteProperty(uint32_t property, int32_t member, uint32_t low, uint32_t high) override {
        if (property == abi::kPropCurrentTab) {
            const int index = static_cast<int32_t>(low);
            if (index < 0 || index >= tabs_->pageCount()) return;
            programmatic_ = true;
            tabs_->bar()->setCurrentIndex(index);
            programmatic_ = false;
            return;
        }
        UnitHost::WriteProperty(property, member, low, high);
    }
    uint64_t LibraryCommand(uint32_t library, uint32_t command, const ArgView& args) override {
        if (library == abi::kLibIext3 && command == abi::kCmdTabCaption) {
            const int index = args.Int(1, -1);
            const bool valid = index >= 0 && index < tabs_->bar()->count();
            return NewText(valid ? tabs_->bar()->tabText(index) : QString());
        }
        return UnitHost::LibraryCommand(library, command, args);
    }
    QWidget* ContainerFor(uint32_t child_id) override {
        if (child_id == 0) return nullptr;
        for (size_t i = 0; i < tab_children_.size(); ++i) {
            const auto& list = tab_children_[i];
            if (std::find(list.begin(), list.end(), child_id) != list.end()) {
                return tabs_->page(static_cast<int>(i));
            }
        }
        return nullptr;
    }
    // Stretched over the controls below it, the control must cover them, not hide behind.
    void Placed() override {
        tabs_->raise();
        tabs_->ShowCurrentPage();
    }

private:
    TabControlWidget* tabs_;
    std::vector<std::vector<uint32_t>> tab_children_;
    bool programmatic_ = false;
    Connections connections_;
};

}  // namespace

UnitPtr CreateTabControl(Runtime& rt, const form::UnitBlock& block,
                         const form::TabControlProps& props, QWidget* parent) {
    return std::make_unique<TabControlUnit>(rt, block, props, new TabControlWidget(parent));
}

}  // namespace quorix::host
