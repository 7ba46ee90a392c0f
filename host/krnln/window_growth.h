// How the window's controls follow the window when it grows beyond the size the form gives it
// (which is also its smallest): the extra width goes to the board area and the output box, the
// extra height to the output box; the columns of tools keep their size and stay beside them.
// Looked up by the names the form gives the controls; geometry only, no widget.
#pragma once

#include <QRect>
#include <QSize>
#include <QString>

namespace quorix::host {

enum class Growth {
    kStays,           // keeps its place and size
    kFollowsRight,    // keeps its size and its distance from the window's right edge
    kWidens,          // keeps its left edge and its distance from the right edge
    kGrows,           // the output box: widens and deepens with the window
    kTabs,            // the tab control: widens; deepens only while stretched to the window's
                      // bottom (the tab "Quorix" shows)
    kFollowsTabDepth  // the browser box: widens, and deepens as the tab control does
};

// How the control named `name` in the form follows the window.
Growth GrowthOf(const QString& name);

// The control's geometry after the window changed size by `window_change` (each side may
// shrink as well as grow), given its geometry `now`, the window's height before the change,
// and how much the tab control deepened (for the browser box).
QRect Grown(Growth growth, const QRect& now, QSize window_change, int old_window_height,
            int tab_depth_change);

}  // namespace quorix::host
