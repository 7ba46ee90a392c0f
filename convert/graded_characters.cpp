// Graded characters: every row of the ColorTable gets the step of a ramp of characters that
// its colour's lightness calls for, the darkest colour the ramp's first character and the
// lightest its last (ramp_steps.h says how the steps are spread). A character as wide as one
// digit in the output box's font is written twice, so that every pixel keeps the width of the
// two digits that step one gives it. The rows keep their order and their colour texts.
#include <vector>

#include "app/program.h"
#include "convert/ramp_steps.h"
#include "runtime/history.h"

namespace quorix::app {
namespace {

// Widths as the output box measures them, in hundredths of a digit.
constexpr int32_t kOneDigit = 100;

}  // namespace

void AssignCharactersByLightness(const EventArgs&) {
    const auto output = Ctl<rt::EditBox>(Unit::编辑框1);
    const rt::Text ramp = output.ChooseRamp();
    std::vector<rt::Text> steps;
    for (const std::string_view character : Characters(ramp.view())) {
        rt::Text text = rt::NewText(character);
        steps.push_back(output.TextWidth(text) == kOneDigit ? text + text : std::move(text));
    }
    if (steps.empty()) return;  // cancelled

    const rt::ListView table = ColorTable();
    const int32_t rows = table.RowCount();
    std::vector<double> lightness;
    lightness.reserve(static_cast<size_t>(std::max(rows, 0)));
    for (int32_t i = 0; i < rows; ++i) {
        const rt::Text colour = table.Cell(i, 0);
        lightness.push_back(Lightness(rt::ToInteger(rt::TextToNumber(colour))));
    }
    const std::vector<int> step = RampSteps(lightness, static_cast<int>(steps.size()));
    rt::history::NoteMapping();
    for (int32_t i = 0; i < rows; ++i) table.SetCell(i, 1, steps[static_cast<size_t>(step[i])]);
    rt::history::Record(abi::kHistoryMapping);
}

}  // namespace quorix::app
