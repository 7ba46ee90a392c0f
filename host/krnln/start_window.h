// The start window built from the `form` section: a main window with its menu bar, and one
// unit host per control, placed under its stored parent at its stored position.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "host/krnln/type_settings.h"
#include "host/krnln/unit_table.h"
#include "image/form.h"

class QMenu;

namespace quorix::host {

class Runtime;

class MainWindowWidget : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindowWidget(Runtime& runtime);
    // Called with the old and the new size whenever the window changes size once shown.
    void set_on_resized(std::function<void(QSize, QSize)> on_resized) {
        on_resized_ = std::move(on_resized);
    }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Watches the left button on the window as a whole (see RouteRelease).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Qt gives a button's release to the widget that got its press. A left release over a
    // drawing board whose press was elsewhere is still the board's release.
    void RouteRelease(QPoint at, Qt::KeyboardModifiers modifiers);

    Runtime& runtime_;
    QPointer<QWidget> left_pressed_on_;
    std::function<void(QSize, QSize)> on_resized_;
};

class StartWindow {
public:
    // `settings`: of each unit of `form`, in unit order, as decoded at load.
    StartWindow(Runtime& runtime, const form::Form& form, std::span<const TypeSettings> settings);
    StartWindow(const StartWindow&) = delete;
    StartWindow& operator=(const StartWindow&) = delete;
    ~StartWindow();

    void Show();
    void RaiseCreated();
    const UnitTable& units() const { return units_by_id_; }
    UnitHost* FindByName(const QString& name) const;
    MainWindowWidget* main_window() const { return main_.get(); }
    QWidget* client() const { return client_; }
    // The menu opened by the menu-bar entry `unit_id`, or null.
    QMenu* MenuOf(uint32_t unit_id) const;

private:
    void SetProgramIcon();
    void CreateUnit(const form::UnitBlock& block, const TypeSettings& settings);
    void PlaceUnit(const form::Form& form, const form::UnitBlock& block);
    void BuildMenus(const form::Form& form);
    // The keys of a desktop window that no menu entry offers: closing it, its help.
    void AddWindowKeys();
    // Moves and sizes the controls after the window went from `old_size` to `new_size`.
    void FollowWindow(QSize old_size, QSize new_size);

    Runtime& runtime_;
    // Declared before the units, so that they go first, while their widgets still exist.
    std::unique_ptr<MainWindowWidget> main_;
    QWidget* client_ = nullptr;  // owned by main_
    std::vector<std::unique_ptr<UnitHost>> units_;
    UnitTable units_by_id_;
    std::vector<std::pair<uint32_t, QMenu*>> menus_;
};

}  // namespace quorix::host
