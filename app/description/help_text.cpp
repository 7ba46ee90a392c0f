#include "app/description/help_text.h"

namespace quorix::app {
namespace {

constexpr const char* kIndent = "    ";

// Each paragraph, and whether it is indented. Empty entries are the blank lines.
struct Line {
    bool indented;
    const char* text;
};

constexpr Line kLines[] = {
    {false, "先说缺点："},
    {true, "工具采用逐行扫描的方式生成Quorix，跟拟图生成不同，扫描类工具生成速度较慢。"},
    {false, ""},
    {false, "也说优点："},
    {false, ""},
    {true,
     "针对像素性字符自主编辑制定，可以让用户制作出自己想要的字符图效果，这是拟图生成无法比拟的。"},
    {false, ""},
    {true,
     "逐行扫描类方式可以将图片里的所有像素颜色分类划出，需要用户自己手动进行修改，本工具采用2字符"
     "对应1像素，精细上可以做到很极致的程度，不过因为需要用户编辑，所以嫌麻烦的用户会觉得很烦（当"
     "然可以不修改，工具在分析颜色时候已经随机生成对应的字符，只是本版本没有分层次的字符而已）"},
    {false, ""},
    {true,
     "Quorix是一种适用在QQ，网络上文本中的一种内容载体，我们的工具还有很多缺陷，这是一个试行版本，"
     "希望大家能够给到合理的建议，在这里谢谢大家。"},
    {false, ""},
    {true, "有任何问题或意见请联系我们，邮箱：support@corvane.cn"},
    {true, ""},
};
static_assert(sizeof kLines / sizeof kLines[0] == 13);

// What the menu "生成指令" has gained since: fewer colours and graded characters.
constexpr Line kNewEntries[] = {
    {false, "现在有了分层次的字符："},
    {false, ""},
    {true,
     "照片的颜色成千上万。先用“生成指令”菜单的“减少颜色…”把颜色减到几种（如8种，画板即时预览，"
     "按Esc则图片不变），再做第一步骤；然后用“按亮度分配字符…”选或输入一串由深到浅的字符（如"
     "“█▓▒░　”），每种颜色按亮度得到其中一个，与一位数字同宽的字符写两次。列表里每种颜色旁有"
     "色块，与两位数字不同宽的字符会被标出。之后仍可逐个修改，再做第二步骤。"},
};

template <size_t N>
std::string Join(const Line (&lines)[N]) {
    std::string text;
    for (const Line& line : lines) {
        if (&line != lines) text += "\r\n";
        if (line.indented) text += kIndent;
        text += line.text;
    }
    return text;
}

}  // namespace

std::string HelpText() {
    return Join(kLines);
}

std::string NewEntriesHelp() {
    return Join(kNewEntries);
}

std::string HelpBoxText() {
    return HelpText() + "\r\n" + NewEntriesHelp();
}

}  // namespace quorix::app
