#include "host/krnln/start_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QIcon>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPixmap>
#include <QResizeEvent>
#include <QTabBar>
#include <QWindow>

#include "host/krnln/controls/board_widget.h"
#include "host/krnln/controls/caption_unit.h"
#include "host/krnln/controls/factory.h"
#include "host/krnln/runtime.h"
#include "host/krnln/text_codec.h"
#include "host/krnln/window_extras.h"
#include "host/krnln/window_growth.h"
#include "image/form_types.h"
#include "runtime/commands.h"
#include "runtime/resources.h"

namespace quorix::host {
namespace {

// The window's own unit: the main window itself.
class WindowUnit : public CaptionUnit {
public:
    WindowUnit(Runtime& runtime, const form::UnitBlock& block, MainWindowWidget* window,
               const QString& caption)
        : CaptionUnit(runtime, block, window) {
        SetCaption(caption);
    }

    uint64_t Command(uint32_t command, const ArgView& args) override;

private:
    void ShowCaption(const QString& caption) override;
};

void WindowUnit::ShowCaption(const QString& caption) {
    widget_->setWindowTitle(caption);
}

uint64_t WindowUnit::Command(uint32_t command, const ArgView& args) {
    if (command == abi::kCmdWindowPopupMenu) {
        const Arg menu = args.at(1);
        StartWindow* window = runtime_.window();
        QMenu* popup = window ? window->MenuOf(menu.high) : nullptr;
        if (popup == nullptr) return 0;
        QPoint at = QCursor::pos();
        if (!args.at(2).omitted() && !args.at(3).omitted()) {
            at = widget_->mapToGlobal(QPoint(args.Int(2), args.Int(3)));
        }
        popup->popup(at);
        return 0;
    }
    return UnitHost::Command(command, args);
}

}  // namespace

MainWindowWidget::MainWindowWidget(Runtime& runtime) : runtime_(runtime) {
    QCoreApplication::instance()->installEventFilter(this);
}

bool MainWindowWidget::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease) ||
        watched != static_cast<QObject*>(windowHandle())) {
        return false;
    }
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton) return false;
    const QPoint at = mouse->position().toPoint();
    if (type == QEvent::MouseButtonPress) {
        left_pressed_on_ = childAt(at);
    } else {
        RouteRelease(at, mouse->modifiers());
    }
    return false;
}

void MainWindowWidget::RouteRelease(QPoint at, Qt::KeyboardModifiers modifiers) {
    auto* board = qobject_cast<BoardWidget*>(childAt(at));
    if (board == nullptr) return;
    // A press on the board or on its own scroll bars is no press elsewhere.
    const QWidget* pressed = left_pressed_on_;
    if (pressed != nullptr && (pressed == board->frame() || board->frame()->isAncestorOf(pressed)))
        return;
    // Raised here, before Qt hands the release to the widget that got the press, so that it
    // keeps its place among the events that follow it.
    board->ReleasedFromElsewhere(board->mapFrom(this, at), modifiers);
}

void MainWindowWidget::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (on_resized_ && event->oldSize().isValid() && event->oldSize() != event->size()) {
        on_resized_(event->oldSize(), event->size());
    }
}

void MainWindowWidget::closeEvent(QCloseEvent* event) {
    event->accept();
    runtime_.WindowClosed();
}

StartWindow::StartWindow(Runtime& runtime, const form::Form& form,
                         std::span<const TypeSettings> settings)
    : runtime_(runtime),
      main_(std::make_unique<MainWindowWidget>(runtime)),
      client_(new QWidget(main_.get())),
      units_by_id_(form.window_id) {
    SetProgramIcon();
    client_->setObjectName(QStringLiteral("client"));
    main_->setCentralWidget(client_);
    // Parents may come later in unit order than their children, so every unit is created
    // before any is placed.
    for (size_t i = 0; i < form.units.size(); ++i) {
        if (const auto* block = std::get_if<form::UnitBlock>(&form.units[i])) {
            CreateUnit(*block, settings[i]);
        }
    }
    for (const form::Unit& unit : form.units) {
        const auto* block = std::get_if<form::UnitBlock>(&unit);
        if (block != nullptr && block->type != abi::kTypeWindow) PlaceUnit(form, *block);
    }
    for (auto& host : units_) host->Placed();
    BuildMenus(form);
    AddWindowKeys();
    KeepEditKeysInTextBoxes(main_.get());
    main_->set_on_resized(
        [this](QSize old_size, QSize new_size) { FollowWindow(old_size, new_size); });
}

StartWindow::~StartWindow() = default;

// The window's icon is the program file's: the form stores none.
void StartWindow::SetProgramIcon() {
    const auto ico = resources::Find(runtime_.resources(), QX_RESOURCE_GROUP_ICON,
                                     QX_PROGRAM_ICON_ID, QX_LANGUAGE_CHINESE_PRC);
    QImage icon;
    if (ico && icon.loadFromData(ico->data(), static_cast<int>(ico->size()), "ICO")) {
        main_->setWindowIcon(QIcon(QPixmap::fromImage(icon)));
    }
}

void StartWindow::CreateUnit(const form::UnitBlock& block, const TypeSettings& settings) {
    std::unique_ptr<UnitHost> host;
    if (const auto* window = std::get_if<form::WindowProps>(&settings)) {
        host = std::make_unique<WindowUnit>(runtime_, block, main_.get(),
                                            FromProgramText(window->caption));
        main_->move(block.left, block.top);
        // The form's size, which is also the smallest; the window may grow and be maximised,
        // and its controls follow (window_growth.h).
        main_->setMinimumSize(block.width, block.height);
        main_->resize(block.width, block.height);
    } else {
        host = CreateControl(runtime_, block, settings, client_);
        if (!host) return;
        if (QWidget* w = host->widget()) w->setObjectName(FromProgramText(block.name));
    }
    units_by_id_.Add(host.get());
    units_.push_back(std::move(host));
}

// Under its parent, at its place and size, shown or hidden as its flags say.
void StartWindow::PlaceUnit(const form::Form& form, const form::UnitBlock& block) {
    UnitHost* host = units_by_id_.Find(form.window_id, block.unit_id);
    if (host == nullptr || host->widget() == nullptr) return;
    QWidget* parent = client_;
    if (block.parent != 0) {
        if (UnitHost* p = units_by_id_.Find(form.window_id, block.parent)) {
            QWidget* container = p->ContainerFor(block.unit_id);
            if (container != nullptr) parent = container;
        }
    }
    host->frame()->setParent(parent);
    host->frame()->move(block.left, block.top);
    host->widget()->resize(block.width, block.height);
    host->frame()->setVisible((block.flags & form::kFlagVisible) != 0);
    // Buttons, boxes and the like take the keyboard focus when their flags say so.
    if (qobject_cast<QAbstractButton*>(host->widget()) != nullptr ||
        qobject_cast<QComboBox*>(host->widget()) != nullptr) {
        host->widget()->setFocusPolicy((block.flags & form::kFlagFocus) ? Qt::StrongFocus
                                                                        : Qt::NoFocus);
    }
    ApplyHints(host->widget()->objectName(), host->widget());
    NameParts(host->frame(), host->widget());
}

void StartWindow::FollowWindow(QSize old_size, QSize new_size) {
    const QSize change = new_size - old_size;
    auto grow = [&](UnitHost& host, Growth growth, int tab_depth_change) {
        const QRect now(host.frame()->pos(), host.widget()->size());
        const QRect grown = Grown(growth, now, change, old_size.height(), tab_depth_change);
        if (grown.topLeft() != now.topLeft()) host.frame()->move(grown.topLeft());
        if (grown.size() != now.size()) host.widget()->resize(grown.size());
        return grown.height() - now.height();
    };
    // The tab control first: the browser box deepens as it does.
    int tab_depth_change = 0;
    for (auto& host : units_) {
        if (host->widget() == nullptr || host->type() == abi::kTypeWindow) continue;
        if (GrowthOf(host->widget()->objectName()) == Growth::kTabs) {
            tab_depth_change = grow(*host, Growth::kTabs, 0);
        }
    }
    for (auto& host : units_) {
        if (host->widget() == nullptr || host->type() == abi::kTypeWindow) continue;
        const Growth growth = GrowthOf(host->widget()->objectName());
        if (growth != Growth::kStays && growth != Growth::kTabs) {
            grow(*host, growth, tab_depth_change);
        }
    }
    for (auto& host : units_) host->Rearranged();
}

void StartWindow::AddWindowKeys() {
    // Ctrl+Q and Ctrl+W close the window as its close button does.
    auto* close = new QAction(main_.get());
    close->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Q), QKeySequence(Qt::CTRL | Qt::Key_W)});
    QObject::connect(close, &QAction::triggered, main_.get(), &QWidget::close);
    main_->addAction(close);
    // F1 shows the help tab, as a click on it does.
    auto* help = new QAction(main_.get());
    help->setShortcuts(QKeySequence::HelpContents);
    QObject::connect(help, &QAction::triggered, main_.get(), [this] {
        for (QTabBar* bar : main_->findChildren<QTabBar*>()) {
            for (int i = 0; i < bar->count(); ++i) {
                if (bar->tabText(i) == HelpTabCaption()) return bar->setCurrentIndex(i);
            }
        }
    });
    main_->addAction(help);
}

void StartWindow::BuildMenus(const form::Form& form) {
    QMenu* current = nullptr;
    for (const form::Unit& unit : form.units) {
        const auto* entry = std::get_if<form::MenuEntry>(&unit);
        if (entry == nullptr) continue;
        const QString caption = FromProgramText(entry->caption);
        QAction* action = nullptr;
        if (entry->level == 0) {
            current = main_->menuBar()->addMenu(caption);
            menus_.emplace_back(entry->unit_id, current);
            action = current->menuAction();
        } else if (current != nullptr) {
            action = current->addAction(caption);
        }
        if (action == nullptr) continue;
        if (const auto key = MenuKey(caption)) action->setShortcuts(*key);
        if (const QList<QKeySequence> keys = MenuEditKeys(caption); !keys.isEmpty()) {
            action->setShortcuts(keys);
        }
        action->setObjectName(QStringLiteral("menu_%1").arg(entry->unit_id, 8, 16, QChar('0')));
        if (entry->handler_offset != -1) {
            const uint32_t offset = static_cast<uint32_t>(entry->handler_offset);
            QObject::connect(action, &QAction::triggered, main_.get(),
                             [this, offset] { runtime_.CallRoutine(offset, {}); });
        }
    }
}

QMenu* StartWindow::MenuOf(uint32_t unit_id) const {
    for (const auto& [id, menu] : menus_) {
        if (id == unit_id) return menu;
    }
    return nullptr;
}

void StartWindow::Show() {
    main_->show();
}

void StartWindow::RaiseCreated() {
    for (auto& u : units_) {
        if (u->type() == abi::kTypeWindow) u->Raise(abi::kEvCreated);
    }
}

UnitHost* StartWindow::FindByName(const QString& name) const {
    for (const auto& u : units_) {
        if (u->widget() != nullptr && u->widget()->objectName() == name) return u.get();
    }
    return nullptr;
}

}  // namespace quorix::host
