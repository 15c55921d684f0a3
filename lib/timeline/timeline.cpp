#include "timeline.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "belief.h"

namespace timeline {

std::string keyLabel(int key) {
    if (const char* button = belief::buttonName(key)) return std::string(button).substr(4);  // "left button"
    switch (key) {
    case 0x10: return "Shift";
    case 0x11: return "Ctrl";
    case 0x12: return "Alt";
    case 0x09: return "Tab";
    default: break;
    }
    const std::string name = scenario::keyName(key);
    return name.rfind("VK_", 0) == 0 ? name.substr(3) : name;
}

namespace {

using scenario::Kind;
using scenario::Received;

constexpr int kLeft = 190;      // lane names
constexpr int kColumn = 150;    // one action
constexpr int kLane = 20;       // one held key or button
constexpr int kMark = 17;       // one message
constexpr int kPad = 24;

std::string fit(const std::string& text, int width) {
    const size_t chars = static_cast<size_t>(width / kCharWidth);
    return text.size() <= chars ? text : text.substr(0, chars - 1) + "~";
}

int buttonKey(scenario::Button button) { return button == scenario::Left ? 0x01 : button == scenario::Right ? 0x02 : 0x04; }

std::string shortMessage(uint32_t message) {
    const std::string name = scenario::messageName(message);
    return name.rfind("WM_", 0) == 0 ? name.substr(3) : name;
}

std::string markLabel(const Received& r) {
    if (r.box) return "box \"" + r.caption + "\"";
    std::string out = shortMessage(r.message);
    if (scenario::isKeyMessage(r.message)) return out + " " + keyLabel(belief::generic(static_cast<int>(r.wParam)));
    char point[48];
    const int x = static_cast<int16_t>(r.lParam & 0xFFFF), y = static_cast<int16_t>((r.lParam >> 16) & 0xFFFF);
    if (r.message == 0x0200)
        std::snprintf(point, sizeof point, " 0x%04X", static_cast<unsigned>(r.wParam));
    else
        std::snprintf(point, sizeof point, " %d,%d", x, y);
    return out + point;
}

bool same(const Received& a, const Received& b) {
    return a.box == b.box && a.window == b.window && a.input == b.input && a.message == b.message &&
           a.wParam == b.wParam && a.lParam == b.lParam && a.caption == b.caption && a.text == b.text;
}

// The input messages a user action makes, which the hooks swallow or pass on.
std::vector<std::pair<uint32_t, int>> inputsOf(const scenario::Step& step) {
    const uint32_t down[] = {0x0201, 0x0204, 0x0207};
    switch (step.kind) {
    case Kind::KeyDown: return {{0x0100, step.key}};
    case Kind::KeyUp: return {{0x0101, step.key}};
    case Kind::KeyTap: return {{0x0100, step.key}, {0x0101, step.key}};
    case Kind::ButtonDown: return {{down[step.button], 0}};
    case Kind::ButtonUp: return {{down[step.button] + 1, 0}};
    case Kind::ButtonDouble: return {{down[step.button] + 2, 0}};
    case Kind::Move: return {{0x0200, 0}};
    default: return {};
    }
}

struct Lane {
    std::string name;
    std::vector<std::pair<int, int>> bars;  // x from, x to
    std::vector<int> ticks;                 // repeats and double-clicks
    int since = -1;
};

// Lanes in order of first use, by key.
struct Lanes {
    std::vector<int> order;
    std::map<int, Lane> byKey;
    Lane& at(int key) {
        if (!byKey.count(key)) {
            order.push_back(key);
            byKey[key].name = keyLabel(key);
        }
        return byKey[key];
    }
    void press(int key, int x) {
        Lane& lane = at(key);
        if (lane.since >= 0) lane.ticks.push_back(x);
        else lane.since = x;
    }
    void release(int key, int x) {
        Lane& lane = at(key);
        if (lane.since >= 0) lane.bars.push_back({lane.since, x});
        lane.since = -1;
    }
    void close(int x, bool keysOnly = false) {
        for (auto& entry : byKey)
            if (entry.second.since >= 0 && !(keysOnly && belief::buttonName(entry.first)))
                entry.second.bars.push_back({entry.second.since, x}), entry.second.since = -1;
    }
};

struct Mark {
    int style;  // 0 sent, 1 passed on, 2 swallowed, 3 went to another program
    std::string label;
    int times;  // repeats of one message share a mark
};

const Style kMarkStyles[] = {Style::MarkSent, Style::MarkPassed, Style::MarkSwallowed, Style::MarkElsewhere};

struct Painter {
    Picture picture;
    bool pinning = false;  // the items added now are pinned
    void text(int x, int y, const std::string& s, Style style = Style::Plain) {
        picture.items.push_back({ItemKind::Text, style, false, pinning || x < kLeft, x, y, 0, 0, s});
    }
    void rect(int x, int y, int w, int h, Style style) {
        picture.items.push_back({ItemKind::Rect, style, false, pinning, x, y, w, h, std::string()});
    }
    void line(int x1, int y1, int x2, int y2, Style style, bool background = false) {
        picture.items.push_back({ItemKind::Line, style, background, false, x1, y1, x2, y2, std::string()});
    }
    void mark(int x, int y, const Mark& m) {
        rect(x, y, kColumn - 12, kMark - 3, kMarkStyles[m.style]);
        const std::string label = m.times > 1 ? std::to_string(m.times) + "x " + m.label : m.label;
        text(x + 4, y + 11, fit(label, kColumn - 20), kMarkStyles[m.style]);
    }
    void lanes(Lanes& lanes, int* y, Style bar) {
        for (int key : lanes.order) {
            const Lane& lane = lanes.byKey[key];
            text(kPad, *y + 14, lane.name);
            line(kLeft, *y + kLane / 2, picture.width - kPad, *y + kLane / 2, Style::Guide);
            for (const auto& b : lane.bars) rect(b.first, *y + 4, std::max(b.second - b.first, 4), kLane - 8, bar);
            for (int tick : lane.ticks) line(tick, *y + 1, tick, *y + kLane - 1, Style::Tick);
            *y += kLane;
        }
    }
};

// Every action gets a column, and what arrived before the first if anything
// did; declarations, and short waits that brought nothing, get none.
std::vector<const scenario::TracedAction*> columnsOf(const std::vector<scenario::TracedAction>& actions,
                                                     uint32_t hideWaitsUnder) {
    std::vector<const scenario::TracedAction*> columns;
    for (const scenario::TracedAction& a : actions) {
        const bool declaration = a.step != nullptr && (a.step->kind == Kind::Layout || a.step->kind == Kind::Host ||
                                                       a.step->kind == Kind::Pointer);
        const bool hidden = a.step != nullptr && (declaration ||
                                                  (a.step->kind == Kind::Wait && a.step->milliseconds < hideWaitsUnder));
        if ((a.step != nullptr || !a.received.empty()) && !(hidden && a.received.empty())) columns.push_back(&a);
    }
    return columns;
}

int rows(const std::vector<std::vector<Mark>>& perColumn) {
    size_t most = 0;
    for (const auto& marks : perColumn) most = std::max(most, marks.size());
    return static_cast<int>(most);
}

// What the columns tell: what the user held, what each window believed down,
// and the marks of each column.
struct Story {
    explicit Story(size_t columns)
        : away(columns, false), swapped(columns, false), swallowed(columns), sent{Marks(columns), Marks(columns)} {}
    using Marks = std::vector<std::vector<Mark>>;
    Lanes user;
    Lanes believed[2];
    belief::Held held[2];
    bool second = false;  // the second window got something
    // The columns whose actions the user made with the focus in another
    // program: from `focus away` until the focus comes back.
    std::vector<bool> away, swapped;
    Marks swallowed, sent[2];
    bool elsewhere = false, swappedNow = false;
    int focused = scenario::Main;

    void action(const scenario::Step& step, const std::vector<Received>& received, size_t c, int x0);
    void received(const std::vector<Received>& received, size_t c, int x0);
};

void Story::action(const scenario::Step& step, const std::vector<Received>& received, size_t c, int x0) {
    const int mid = x0 + kColumn / 2;
    if (step.kind == Kind::Focus) {
        elsewhere = step.window == scenario::NoWindow;
        // The window losing the focus is told so, and forgets the keys it saw go down.
        if (focused <= scenario::Second && step.window != focused) {
            belief::loseFocus(held[focused]);
            believed[focused].close(mid, true);
        }
        focused = step.window;
    }
    away[c] = elsewhere;
    if (step.kind == Kind::Buttons) swappedNow = step.swapped;
    swapped[c] = swappedNow;
    if (step.kind == Kind::KeyDown) user.press(step.key, mid);
    if (step.kind == Kind::KeyUp) user.release(step.key, mid);
    if (step.kind == Kind::KeyTap) user.press(step.key, x0 + kColumn / 3), user.release(step.key, x0 + 2 * kColumn / 3);
    if (step.kind == Kind::ButtonDown) user.press(buttonKey(step.button), mid);
    if (step.kind == Kind::ButtonDouble) user.press(buttonKey(step.button), mid), user.at(buttonKey(step.button)).ticks.push_back(mid);
    if (step.kind == Kind::ButtonUp) user.release(buttonKey(step.button), mid);
    for (const auto& input : inputsOf(step)) {
        bool passed = false;
        for (const Received& r : received)
            passed = passed || (r.input && scenario::plainKeyMessage(r.message) == input.first &&
                                (input.second == 0 || static_cast<int>(r.wParam) == input.second));
        std::string label = shortMessage(input.first);
        if (input.second != 0) label += " " + keyLabel(belief::generic(input.second));
        // Keys went to the other program; the mouse still goes by the pointer.
        const bool toOther = (elsewhere && scenario::isKeyMessage(input.first)) ||
                             (step.kind == Kind::ButtonUp && step.release == scenario::Outside);
        if (!passed) swallowed[c].push_back({toOther ? 3 : 2, label, 1});
    }
}

void Story::received(const std::vector<Received>& all, size_t c, int x0) {
    const size_t n = all.size();
    for (size_t k = 0; k < n; ++k) {
        const Received& r = all[k];
        if (r.window > scenario::Second) continue;
        second = second || r.window == scenario::Second;
        const int x = x0 + static_cast<int>(kColumn * (k + 1) / (n + 1));
        if (!r.box) {
            const int key = belief::update(held[r.window], r.message, r.wParam);
            if (key != 0) held[r.window].test(key) ? believed[r.window].press(key, x) : believed[r.window].release(key, x);
        }
        std::vector<Mark>& marks = sent[r.window][c];
        if (k > 0 && same(r, all[k - 1]) && !marks.empty())
            ++marks.back().times;
        else
            marks.push_back({r.input ? 1 : 0, markLabel(r), 1});
    }
}

// The title (the scenario's opening comment, line by line) and the legend;
// returns where the columns' headers go.
int paintHeading(Painter& paint, const scenario::Scenario& s, const Story& story) {
    int y = kPad + 6;
    const std::vector<std::string> title = s.heading.empty() ? std::vector<std::string>{s.file} : s.heading;
    paint.pinning = true;
    for (size_t i = 0; i < title.size(); ++i) paint.text(kPad, y += (i ? 18 : 0), title[i], Style::Title);
    y += 26;
    const Mark legend[] = {{0, "sent by the module", 1}, {1, "input passed on", 1}, {2, "input swallowed", 1}};
    for (int i = 0; i < 3; ++i) paint.mark(kPad + i * (kColumn + 10), y, legend[i]);
    paint.rect(kPad + 3 * (kColumn + 10), y + 3, 40, 8, Style::UserBar);
    paint.text(kPad + 3 * (kColumn + 10) + 46, y + 11, "held by the user");
    paint.rect(kPad + 3 * (kColumn + 10) + 170, y + 3, 40, 8, Style::BelievedBar);
    paint.text(kPad + 3 * (kColumn + 10) + 216, y + 11, "a window believes it down");
    bool toOther = false;
    for (const std::vector<Mark>& marks : story.swallowed)
        for (const Mark& m : marks) toOther = toOther || m.style == 3;
    if (toOther || std::find(story.away.begin(), story.away.end(), true) != story.away.end()) {
        y += 20;
        paint.mark(kPad, y, {3, "to another program", 1});
        paint.rect(kPad + kColumn + 10, y + 1, 40, kMark - 5, Style::Away);
        paint.text(kPad + kColumn + 56, y + 11, "the focus in another program");
    }
    if (std::find(story.swapped.begin(), story.swapped.end(), true) != story.swapped.end()) {
        y += 20;
        paint.rect(kPad, y + 4, 40, 6, Style::Swapped);
        paint.text(kPad + 46, y + 11, "the buttons swapped (a left-handed user): the left button is the physical right one");
    }
    paint.pinning = false;
    return y + 34;
}

void paintMarks(Painter& paint, const Story::Marks& perColumn, int* y) {
    for (size_t c = 0; c < perColumn.size(); ++c)
        for (size_t i = 0; i < perColumn[c].size(); ++i)
            paint.mark(kLeft + kColumn * static_cast<int>(c) + 6, *y + static_cast<int>(i) * kMark, perColumn[c][i]);
    *y += std::max(1, rows(perColumn)) * kMark + 8;
}

// The lanes of what the user held and each window believed down, with the
// marks of each column beneath; returns the bottom.
int paintLanes(Painter& paint, Story& story, int y) {
    const int width = paint.picture.width;
    paint.text(kPad, y += 14, "the user holds", Style::UserHeading);
    y += 6;
    paint.lanes(story.user, &y, Style::UserBar);
    paint.text(kPad, y + 12, "input swallowed");
    paintMarks(paint, story.swallowed, &y);
    const char* const names[] = {"main window", "second window"};
    for (int w = 0; w < (story.second ? 2 : 1); ++w) {
        paint.line(kPad, y, width - kPad, y, Style::Separator);
        paint.text(kPad, y += 16, std::string(names[w]) + " believes down", Style::WindowHeading);
        y += 6;
        paint.lanes(story.believed[w], &y, Style::BelievedBar);
        paint.text(kPad, y + 12, std::string("messages to ") + (w == 0 ? "main" : "second"));
        paintMarks(paint, story.sent[w], &y);
    }
    return y;
}

}  // namespace

Picture layout(const scenario::Scenario& s, const std::vector<scenario::TracedAction>& actions, uint32_t hideWaitsUnder) {
    const std::vector<const scenario::TracedAction*> columns = columnsOf(actions, hideWaitsUnder);
    // Wide enough for the columns, the legend and the title.
    int width = std::max(kLeft + kColumn * static_cast<int>(columns.size()) + kPad, 960);
    for (size_t i = 0; i < s.heading.size(); ++i)
        width = std::max(width, 2 * kPad + static_cast<int>(s.heading[i].size()) * 9);

    Story story(columns.size());
    for (size_t c = 0; c < columns.size(); ++c) {
        const int x0 = kLeft + kColumn * static_cast<int>(c);
        if (columns[c]->step != nullptr) story.action(*columns[c]->step, columns[c]->received, c, x0);
        story.received(columns[c]->received, c, x0);
    }
    story.user.close(width - kPad);
    for (Lanes& lanes : story.believed) lanes.close(width - kPad);

    Painter paint;
    paint.picture.width = width;
    int y = paintHeading(paint, s, story);
    const int top = y;
    int x = kLeft;
    for (const scenario::TracedAction* a : columns) {
        const bool wait = a->step != nullptr && a->step->kind == Kind::Wait;
        std::string header = a->step == nullptr ? "(before)" : scenario::format(*a->step);
        if (wait) header = "... " + std::to_string(a->step->milliseconds) + " ms ...";
        paint.text(x + 4, y, fit(header, kColumn - 8), Style::Header);
        x += kColumn;
    }
    const int lanesTop = y + 14;
    const int bottom = paintLanes(paint, story, lanesTop);

    // Behind everything: the columns, and the waits as gaps in time.
    for (size_t c = 0; c < columns.size(); ++c) {
        const int x0 = kLeft + kColumn * static_cast<int>(c);
        if (story.away[c])
            paint.picture.items.push_back({ItemKind::Rect, Style::Away, true, false, x0, lanesTop, kColumn, bottom - lanesTop, ""});
        if (story.swapped[c]) paint.rect(x0, lanesTop + 2, kColumn, 6, Style::Swapped);
        if (columns[c]->step != nullptr && columns[c]->step->kind == Kind::Wait)
            paint.picture.items.push_back({ItemKind::Gap, Style::Plain, true, false, x0, top - 14, kColumn, bottom - top + 14, ""});
        else
            paint.line(x0, lanesTop, x0, bottom, Style::ColumnRule, true);
    }
    paint.picture.height = bottom + kPad;
    return paint.picture;
}

uint32_t textColour(Style style) {
    switch (style) {
    case Style::MarkSent: return 0xffffff;
    case Style::UserHeading: return 0x4a4a4a;
    case Style::WindowHeading: return 0x2f7fc1;
    default: return 0x000000;
    }
}

uint32_t fillColour(Style style) {
    switch (style) {
    case Style::MarkSent: return 0xe07a1f;
    case Style::MarkSwallowed: return 0xfde2e2;
    case Style::MarkElsewhere: return 0xeeeeee;
    case Style::Away: return 0xeee8f6;
    case Style::Swapped: return 0x8bc34a;
    case Style::UserBar: return 0x4a4a4a;
    case Style::BelievedBar: return 0x2f7fc1;
    default: return 0xffffff;
    }
}

uint32_t strokeColour(Style style) {
    switch (style) {
    case Style::MarkSent: return 0xa04f00;
    case Style::MarkPassed: return 0x7a7a7a;
    case Style::MarkSwallowed: return 0xc62828;
    case Style::MarkElsewhere: return 0x9e9e9e;
    case Style::Away: return 0xeee8f6;
    case Style::Swapped: return 0x8bc34a;
    case Style::Guide: return 0xeeeeee;
    case Style::Tick: return 0x222222;
    case Style::Separator: return 0xbbbbbb;
    case Style::ColumnRule: return 0xdddddd;
    default: return 0xffffff;
    }
}

}  // namespace timeline
