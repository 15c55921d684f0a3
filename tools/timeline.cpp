#include "timeline.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "belief.h"

namespace {

using scenario::Kind;
using scenario::Received;

constexpr int kLeft = 190;      // lane names
constexpr int kColumn = 150;    // one action
constexpr int kLane = 20;       // one held key or button
constexpr int kMark = 17;       // one message
constexpr int kCharWidth = 6;   // monospace at 10 px
constexpr int kPad = 24;

const char* const kColours[] = {"#e07a1f", "#ffffff", "#fde2e2"};  // synthetic, passed on, swallowed
const char* const kStrokes[] = {"#a04f00", "#7a7a7a", "#c62828"};

std::string escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else if (c == '"') out += "&quot;";
        else out += c;
    }
    return out;
}

std::string fit(const std::string& text, int width) {
    const size_t chars = static_cast<size_t>(width / kCharWidth);
    return text.size() <= chars ? text : text.substr(0, chars - 1) + "~";
}

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
    void close(int x) {
        for (auto& entry : byKey)
            if (entry.second.since >= 0) entry.second.bars.push_back({entry.second.since, x}), entry.second.since = -1;
    }
};

struct Mark {
    int style;  // index into kColours
    std::string label;
    int times;  // repeats of one message share a mark
};

struct Svg {
    std::string body;
    int width;
    void text(int x, int y, const std::string& s, const char* extra = "") {
        char head[160];
        std::snprintf(head, sizeof head, "<text x=\"%d\" y=\"%d\"%s>", x, y, extra);
        body += head + escape(s) + "</text>\n";
    }
    void rect(int x, int y, int w, int h, const char* fill, const char* stroke, const char* extra = "") {
        char line[240];
        std::snprintf(line, sizeof line, "<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" fill=\"%s\" stroke=\"%s\"%s/>\n",
                      x, y, w, h, fill, stroke, extra);
        body += line;
    }
    void line(int x1, int y1, int x2, int y2, const char* stroke, const char* extra = "") {
        char out[200];
        std::snprintf(out, sizeof out, "<line x1=\"%d\" y1=\"%d\" x2=\"%d\" y2=\"%d\" stroke=\"%s\"%s/>\n", x1, y1, x2,
                      y2, stroke, extra);
        body += out;
    }
    void mark(int x, int y, const Mark& m) {
        rect(x, y, kColumn - 12, kMark - 3, kColours[m.style], kStrokes[m.style],
             m.style == 2 ? " stroke-dasharray=\"3,2\" rx=\"2\"" : " rx=\"2\"");
        const std::string label = m.times > 1 ? std::to_string(m.times) + "x " + m.label : m.label;
        text(x + 4, y + 11, fit(label, kColumn - 20), m.style == 0 ? " fill=\"#ffffff\"" : "");
    }
    void lanes(Lanes& lanes, int* y, const char* colour) {
        for (int key : lanes.order) {
            const Lane& lane = lanes.byKey[key];
            text(kPad, *y + 14, lane.name);
            line(kLeft, *y + kLane / 2, width - kPad, *y + kLane / 2, "#eeeeee");
            for (const auto& bar : lane.bars) rect(bar.first, *y + 4, std::max(bar.second - bar.first, 4), kLane - 8, colour, "none", " rx=\"3\"");
            for (int tick : lane.ticks) line(tick, *y + 1, tick, *y + kLane - 1, "#222222", " stroke-width=\"2\"");
            *y += kLane;
        }
    }
};

}  // namespace

std::string timelineSvg(const scenario::Scenario& s, const std::vector<scenario::TracedAction>& actions) {
    // Columns: every action, and what arrived before the first if anything did.
    std::vector<const scenario::TracedAction*> columns;
    for (const scenario::TracedAction& a : actions)
        if (a.step != nullptr || !a.received.empty()) columns.push_back(&a);
    // Wide enough for the columns, the legend and the title.
    int width = std::max(kLeft + kColumn * static_cast<int>(columns.size()) + kPad, 960);
    for (size_t i = 0; i < s.heading.size(); ++i)
        width = std::max(width, 2 * kPad + static_cast<int>(s.heading[i].size()) * 9);

    Lanes user;
    Lanes believed[2];
    belief::Held held[2];
    bool second = false;
    std::vector<std::vector<Mark>> swallowed(columns.size()), sent[2];
    sent[0].resize(columns.size());
    sent[1].resize(columns.size());
    for (size_t c = 0; c < columns.size(); ++c) {
        const scenario::TracedAction& a = *columns[c];
        const int x0 = kLeft + kColumn * static_cast<int>(c), mid = x0 + kColumn / 2;
        if (a.step != nullptr) {
            const scenario::Step& step = *a.step;
            if (step.kind == Kind::KeyDown) user.press(step.key, mid);
            if (step.kind == Kind::KeyUp) user.release(step.key, mid);
            if (step.kind == Kind::KeyTap) user.press(step.key, x0 + kColumn / 3), user.release(step.key, x0 + 2 * kColumn / 3);
            if (step.kind == Kind::ButtonDown) user.press(buttonKey(step.button), mid);
            if (step.kind == Kind::ButtonDouble) user.press(buttonKey(step.button), mid), user.at(buttonKey(step.button)).ticks.push_back(mid);
            if (step.kind == Kind::ButtonUp) user.release(buttonKey(step.button), mid);
            for (const auto& input : inputsOf(step)) {
                bool passed = false;
                for (const Received& r : a.received)
                    passed = passed || (r.input && r.message == input.first && (input.second == 0 || static_cast<int>(r.wParam) == input.second));
                std::string label = shortMessage(input.first);
                if (input.second != 0) label += " " + keyLabel(belief::generic(input.second));
                if (!passed) swallowed[c].push_back({2, label, 1});
            }
        }
        const size_t n = a.received.size();
        for (size_t k = 0; k < n; ++k) {
            const Received& r = a.received[k];
            if (r.window > scenario::Second) continue;
            second = second || r.window == scenario::Second;
            const int x = x0 + static_cast<int>(kColumn * (k + 1) / (n + 1));
            if (!r.box) {
                const int key = belief::update(held[r.window], r.message, r.wParam);
                if (key != 0) held[r.window].test(key) ? believed[r.window].press(key, x) : believed[r.window].release(key, x);
            }
            std::vector<Mark>& marks = sent[r.window][c];
            if (k > 0 && same(r, a.received[k - 1]) && !marks.empty())
                ++marks.back().times;
            else
                marks.push_back({r.input ? 1 : 0, markLabel(r), 1});
        }
    }
    user.close(width - kPad);
    for (Lanes& lanes : believed) lanes.close(width - kPad);

    auto rows = [&](const std::vector<std::vector<Mark>>& perColumn) {
        size_t most = 0;
        for (const auto& marks : perColumn) most = std::max(most, marks.size());
        return static_cast<int>(most);
    };

    Svg svg;
    svg.width = width;
    int y = kPad + 6;
    // The title: the scenario's opening comment, line by line.
    const std::vector<std::string> title = s.heading.empty() ? std::vector<std::string>{s.file} : s.heading;
    for (size_t i = 0; i < title.size(); ++i) svg.text(kPad, y += (i ? 18 : 0), title[i], " font-size=\"14\" font-weight=\"bold\"");
    y += 26;
    // Legend.
    const Mark legend[] = {{0, "sent by the module", 1}, {1, "input passed on", 1}, {2, "input swallowed", 1}};
    for (int i = 0; i < 3; ++i) svg.mark(kPad + i * (kColumn + 10), y, legend[i]);
    svg.rect(kPad + 3 * (kColumn + 10), y + 3, 40, 8, "#4a4a4a", "none", " rx=\"3\"");
    svg.text(kPad + 3 * (kColumn + 10) + 46, y + 11, "held by the user");
    svg.rect(kPad + 3 * (kColumn + 10) + 170, y + 3, 40, 8, "#2f7fc1", "none", " rx=\"3\"");
    svg.text(kPad + 3 * (kColumn + 10) + 216, y + 11, "a window believes it down");
    y += 34;

    const int top = y;
    int x = kLeft;
    for (const scenario::TracedAction* a : columns) {
        const bool wait = a->step != nullptr && a->step->kind == Kind::Wait;
        std::string header = a->step == nullptr ? "(before)" : scenario::format(*a->step);
        if (wait) header = "... " + std::to_string(a->step->milliseconds) + " ms ...";
        svg.text(x + 4, y, fit(header, kColumn - 8), " font-weight=\"bold\"");
        x += kColumn;
    }
    y += 14;
    const int lanesTop = y;
    svg.text(kPad, y += 14, "the user holds", " font-weight=\"bold\" fill=\"#4a4a4a\"");
    y += 6;
    svg.lanes(user, &y, "#4a4a4a");
    svg.text(kPad, y + 12, "input swallowed");
    for (size_t c = 0; c < columns.size(); ++c)
        for (size_t i = 0; i < swallowed[c].size(); ++i)
            svg.mark(kLeft + kColumn * static_cast<int>(c) + 6, y + static_cast<int>(i) * kMark, swallowed[c][i]);
    y += std::max(1, rows(swallowed)) * kMark + 8;
    const char* const names[] = {"main window", "second window"};
    for (int w = 0; w < (second ? 2 : 1); ++w) {
        svg.line(kPad, y, width - kPad, y, "#bbbbbb");
        svg.text(kPad, y += 16, std::string(names[w]) + " believes down", " font-weight=\"bold\" fill=\"#2f7fc1\"");
        y += 6;
        svg.lanes(believed[w], &y, "#2f7fc1");
        svg.text(kPad, y + 12, std::string("messages to ") + (w == 0 ? "main" : "second"));
        for (size_t c = 0; c < columns.size(); ++c)
            for (size_t i = 0; i < sent[w][c].size(); ++i)
                svg.mark(kLeft + kColumn * static_cast<int>(c) + 6, y + static_cast<int>(i) * kMark, sent[w][c][i]);
        y += std::max(1, rows(sent[w])) * kMark + 8;
    }
    const int bottom = y;

    // Behind everything: the columns, and the waits as gaps in time.
    std::string back;
    for (size_t c = 0; c < columns.size(); ++c) {
        const int x0 = kLeft + kColumn * static_cast<int>(c);
        char line[300];
        if (columns[c]->step != nullptr && columns[c]->step->kind == Kind::Wait)
            std::snprintf(line, sizeof line, "<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" fill=\"url(#gap)\"/>\n", x0,
                          top - 14, kColumn, bottom - top + 14);
        else
            std::snprintf(line, sizeof line, "<line x1=\"%d\" y1=\"%d\" x2=\"%d\" y2=\"%d\" stroke=\"#dddddd\"/>\n", x0, lanesTop,
                          x0, bottom);
        back += line;
    }
    char head[600];
    std::snprintf(head, sizeof head,
                  "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" viewBox=\"0 0 %d %d\" "
                  "font-family=\"DejaVu Sans Mono, monospace\" font-size=\"10\">\n"
                  "<defs><pattern id=\"gap\" width=\"8\" height=\"8\" patternUnits=\"userSpaceOnUse\" "
                  "patternTransform=\"rotate(45)\"><rect width=\"8\" height=\"8\" fill=\"#f7f7f7\"/>"
                  "<line x1=\"0\" y1=\"0\" x2=\"0\" y2=\"8\" stroke=\"#e4e4e4\" stroke-width=\"3\"/></pattern></defs>\n"
                  "<rect width=\"100%%\" height=\"100%%\" fill=\"#ffffff\"/>\n",
                  width, bottom + kPad, width, bottom + kPad);
    return head + back + svg.body + "</svg>\n";
}
