// A scenario as a picture: what the user holds, what each host window
// believes is held, and every message, telling swallowed input, passed-on
// input and synthetic messages apart; one column per action. The layout is
// a list of drawing items, which the replay tool writes as SVG and the
// playground draws live.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scenario.h"

namespace timeline {

enum class ItemKind : uint8_t { Text, Rect, Line, Gap };

// What an item is, which fixes how it looks.
enum class Style : uint8_t {
    Plain, Title, Header, UserHeading, WindowHeading,  // text
    MarkSent, MarkPassed, MarkSwallowed,               // a message's box
    MarkElsewhere,                                     // input that went to another program
    UserBar, BelievedBar,                              // a held key's bar
    Away,                                              // behind the actions made with the focus elsewhere
    Swapped,                                           // over the actions made with the buttons swapped
    Guide, Tick, Separator, ColumnRule,                // lines
};

struct Item {
    ItemKind kind;
    Style style;
    bool background;  // drawn before everything else
    bool pinned;      // the title, legend and lane names: a live view keeps them in place
    int x, y, w, h;   // a line runs from (x, y) to (w, h)
    std::string text;
};

struct Picture {
    int width = 0, height = 0;
    std::vector<Item> items;
};

// "Ctrl", "Alt", "left button", "F": a key or button as the pictures name it.
std::string keyLabel(int key);

// Monospace text at 10 px: this wide a character.
constexpr int kCharWidth = 6;

// `hideWaitsUnder`: waits shorter than this that brought nothing get no
// column (the playground's gaps between a person's actions).
Picture layout(const scenario::Scenario& scenario, const std::vector<scenario::TracedAction>& actions,
               uint32_t hideWaitsUnder = 0);

// The text colour of a text item (0xRRGGBB), and a rectangle's fill and stroke.
uint32_t textColour(Style style);
uint32_t fillColour(Style style);
uint32_t strokeColour(Style style);

}  // namespace timeline

std::string timelineSvg(const scenario::Scenario& scenario, const std::vector<scenario::TracedAction>& actions);
