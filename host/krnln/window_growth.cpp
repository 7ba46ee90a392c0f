#include "host/krnln/window_growth.h"

namespace quorix::host {
namespace {

struct Rule {
    const char* control;  // the control's name in the form (UTF-8)
    Growth growth;
};

// The right-hand column of tools on the first tab, the tab control and the pages that fill its
// tabs, and the output box. Everything else stays: the boards, whose view fits the room the
// tools leave; the progress bar under the board area; the text tools left of the output box.
constexpr Rule kRules[] = {
    {"高级选择夹1", Growth::kTabs},         {"超文本浏览框1", Growth::kFollowsTabDepth},
    {"编辑框3", Growth::kWidens},           {"编辑框1", Growth::kGrows},
    {"外形框1", Growth::kFollowsRight},     {"按钮16", Growth::kFollowsRight},
    {"透明标签1", Growth::kFollowsRight},   {"宽组合框1", Growth::kFollowsRight},
    {"高组合框1", Growth::kFollowsRight},   {"按钮3", Growth::kFollowsRight},
    {"按钮2", Growth::kFollowsRight},       {"按钮1", Growth::kFollowsRight},
    {"按钮11", Growth::kFollowsRight},      {"对应修改颜色框", Growth::kFollowsRight},
    {"按钮13", Growth::kFollowsRight},      {"颜色分类列表框", Growth::kFollowsRight},
    {"通用对话框1", Growth::kFollowsRight},
};

}  // namespace

Growth GrowthOf(const QString& name) {
    for (const Rule& rule : kRules) {
        if (name == QString::fromUtf8(rule.control)) return rule.growth;
    }
    return Growth::kStays;
}

QRect Grown(Growth growth, const QRect& now, QSize window_change, int old_window_height,
            int tab_depth_change) {
    const int dx = window_change.width(), dy = window_change.height();
    QRect r = now;
    switch (growth) {
        case Growth::kStays:
            break;
        case Growth::kFollowsRight:
            r.translate(dx, 0);
            break;
        case Growth::kWidens:
            r.setWidth(r.width() + dx);
            break;
        case Growth::kGrows:
            r.setSize(r.size() + window_change);
            break;
        case Growth::kTabs:
            r.setWidth(r.width() + dx);
            // Stretched, it is as high as the window (the tab "Quorix"); it stays so.
            if (now.height() >= old_window_height) r.setHeight(r.height() + dy);
            break;
        case Growth::kFollowsTabDepth:
            r.setWidth(r.width() + dx);
            r.setHeight(r.height() + tab_depth_change);
            break;
    }
    return r;
}

}  // namespace quorix::host
