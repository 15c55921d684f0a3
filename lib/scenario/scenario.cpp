// The scenario language read: a file's lines into steps.
#include "scenario.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <sstream>

#include "scenario_names.h"

namespace scenario {

using names::kKeys;
using names::kMessages;
using names::Named;

namespace {

// Splits a line into words; "quoted text" with C escapes is one word.
bool tokenize(const std::string& line, std::vector<std::string>* words, std::string* error) {
    size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
        } else if (c == '#') {
            break;
        } else if (c == '"') {
            std::string word;
            ++i;
            while (i < line.size() && line[i] != '"') {
                if (line[i] == '\\' && i + 1 < line.size()) {
                    const char e = line[++i];
                    word += e == 'r' ? '\r' : e == 'n' ? '\n' : e == 't' ? '\t' : e;
                } else {
                    word += line[i];
                }
                ++i;
            }
            if (i >= line.size()) {
                *error = "unterminated quoted text";
                return false;
            }
            ++i;
            words->push_back(word);
        } else {
            const size_t end = line.find_first_of(" \t\r", i);
            words->push_back(line.substr(i, end == std::string::npos ? std::string::npos : end - i));
            i = end == std::string::npos ? line.size() : end;
        }
    }
    return true;
}

bool parseNumber(const std::string& word, int64_t* value) {
    if (word.empty()) return false;
    char* end = nullptr;
    const bool negative = word[0] == '-';
    const unsigned long long magnitude = std::strtoull(word.c_str() + (negative ? 1 : 0), &end, 0);
    if (*end != '\0' || end == word.c_str() + (negative ? 1 : 0)) return false;
    *value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    return true;
}

bool parseKey(std::string word, int* key) {
    if (word.rfind("VK_", 0) == 0) word = word.substr(3);
    for (const Named& named : kKeys)
        if (word == named.name) return *key = static_cast<int>(named.value), true;
    if (word.size() == 1 && ((word[0] >= 'A' && word[0] <= 'Z') || (word[0] >= '0' && word[0] <= '9')))
        return *key = word[0], true;
    int64_t value = 0;
    if (word.rfind("0x", 0) == 0 && parseNumber(word, &value) && value > 0 && value < 256)
        return *key = static_cast<int>(value), true;
    return false;
}

bool parseMessage(const std::string& word, uint32_t* message) {
    for (const Named& named : kMessages)
        if (word == named.name) return *message = named.value, true;
    return false;
}

bool parseWindow(const std::string& word, Window* window) {
    if (word == "main") return *window = Main, true;
    if (word == "second") return *window = Second, true;
    if (word == "none") return *window = NoWindow, true;
    if (word == "other") return *window = OtherWindow, true;
    if (word == "ime") return *window = Ime, true;
    if (word == "tooltip") return *window = Tooltip, true;
    return false;
}

struct Parser {
    std::vector<std::string> words;
    size_t next = 0;
    std::string problem;

    bool more() const { return next < words.size(); }
    const std::string& peek() const { return words[next]; }
    bool fail(const std::string& why) {
        if (problem.empty()) problem = why;
        return false;
    }
    bool word(std::string* out, const char* what) {
        if (!more()) return fail(std::string("missing ") + what);
        *out = words[next++];
        return true;
    }
    bool number(int64_t* value, const char* what) {
        std::string w;
        return word(&w, what) && (parseNumber(w, value) || fail(std::string("bad ") + what + " '" + w + "'"));
    }
    bool coordinates(Step* step) {
        int64_t x = 0, y = 0;
        if (!number(&x, "x") || !number(&y, "y")) return false;
        step->x = static_cast<int>(x);
        step->y = static_cast<int>(y);
        if (more() && peek() == "over") {
            ++next;
            std::string w;
            if (!word(&w, "window") || !parseWindow(w, &step->window) || step->window == NoWindow || step->window > OtherWindow)
                return fail("'over' takes main, second or other");
        }
        return true;
    }
    bool end() { return !more() || fail("unexpected '" + peek() + "'"); }
};

bool parseExpectedMessage(Parser& p, Step* step, std::string w);

bool parseExpect(Parser& p, Step* step) {
    std::string w;
    if (!p.word(&w, "what to expect")) return false;
    if (w == "cursor") {
        step->kind = Kind::ExpectCursor;
        if (!p.word(&w, "hidden or shown")) return false;
        if (w != "hidden" && w != "shown") return p.fail("cursor is hidden or shown");
        step->cursorShown = w == "shown";
        return p.end();
    }
    if (w == "no") {
        step->kind = Kind::ExpectNoTimer;
        return ((p.word(&w, "timer") && w == "timer") || p.fail("no takes timer")) && p.end();
    }
    if (w == "module") {
        step->kind = Kind::ExpectModule;
        if (!p.word(&w, "loaded or unloaded")) return false;
        if (w != "loaded" && w != "unloaded") return p.fail("module is loaded or unloaded");
        step->moduleLoaded = w == "loaded";
        return p.end();
    }
    if (w == "every") {
        int64_t period = 0;
        if (!p.word(&w, "period") || !parseNumber(w, &period) || period <= 0 || period > 60000)
            return p.fail("bad timer period '" + w + "'");
        step->everyMs = static_cast<uint32_t>(period);
        step->minCount = 0;
        if (!p.word(&w, "window")) return false;
    }
    const size_t dots = w.find("..");
    if (dots != std::string::npos) {
        if (step->everyMs != 0) return p.fail("a timer's run takes no count");
        int64_t low = 0, high = 0;
        if (!parseNumber(w.substr(0, dots), &low) || !parseNumber(w.substr(dots + 2), &high) || low < 0 || high < low)
            return p.fail("bad count range '" + w + "'");
        step->minCount = static_cast<int>(low);
        step->maxCount = static_cast<int>(high);
        if (!p.word(&w, "window")) return false;
    }
    return parseExpectedMessage(p, step, w);
}

// The receiving window (or a box's owner), named in `w`, and the rest.
bool parseExpectedMessage(Parser& p, Step* step, std::string w) {
    Received& r = step->expected;
    if (w == "box") {
        if (step->everyMs != 0) return p.fail("a timer sends no message box");
        step->kind = Kind::ExpectBox;
        r.box = true;
        if (!p.word(&w, "owner window")) return false;
        if (!parseWindow(w, &r.window)) return p.fail("unknown window '" + w + "'");
        return p.word(&r.caption, "caption") && p.word(&r.text, "text") && p.end();
    }
    step->kind = Kind::Expect;
    if (!parseWindow(w, &r.window)) return p.fail("unknown window '" + w + "' (main, second, ime, tooltip, other or none)");
    if (!p.word(&w, "message")) return false;
    if (w == "input") {
        r.input = true;
        if (!p.word(&w, "message")) return false;
    }
    if (!parseMessage(w, &r.message)) return p.fail("unknown message '" + w + "'");
    if (isKeyMessage(r.message)) {
        r.message = plainKeyMessage(r.message);
        int key = 0;
        if (!p.word(&w, "key")) return false;
        if (!parseKey(w, &key)) return p.fail("unknown key '" + w + "'");
        r.wParam = static_cast<uint64_t>(key);
        step->compareParam = !r.input;
        if (!r.input && !p.number(&r.lParam, "lParam")) return false;
        return p.end();
    }
    int64_t flags = 0, x = 0, y = 0;
    if (!p.number(&flags, "button flags") || !p.number(&x, "x") || !p.number(&y, "y")) return false;
    r.wParam = static_cast<uint64_t>(flags);
    const uint32_t packed = (static_cast<uint32_t>(x) & 0xFFFFu) | (static_cast<uint32_t>(y) << 16);
    r.lParam = static_cast<int32_t>(packed);
    return p.end();
}

// Picks the index of `word` among `choices`, or -1.
int pick(const std::string& word, std::initializer_list<const char*> choices) {
    int index = 0;
    for (const char* choice : choices) {
        if (word == choice) return index;
        ++index;
    }
    return -1;
}

bool parseLayout(Parser& p, Step* step) {
    std::string w;
    step->kind = Kind::Layout;
    if (!p.word(&w, "main, second, ime or tooltip") || !parseWindow(w, &step->window) || step->window == NoWindow ||
        step->window == OtherWindow)
        return p.fail("window takes main, second, ime or tooltip");
    if (step->window == Ime || step->window == Tooltip) return p.end();
    int64_t v[4] = {0, 0, 0, 0};
    const int first = step->window == Second ? 0 : 2;
    static const char* const names[] = {"x", "y", "width", "height"};
    for (int i = first; i < 4; ++i)
        if (!p.number(&v[i], names[i])) return false;
    if (v[2] < 1 || v[3] < 1 || v[2] > 4000 || v[3] > 4000) return p.fail("a window is 1 to 4000 pixels each way");
    step->x = static_cast<int>(v[0]), step->y = static_cast<int>(v[1]);
    step->width = static_cast<int>(v[2]), step->height = static_cast<int>(v[3]);
    while (step->window == Main && p.more()) {
        const int trait = pick(p.peek(), {"hidden", "tool"});
        if (trait < 0) break;
        ++p.next;
        (trait == 0 ? step->hidden : step->toolWindow) = true;
    }
    return p.end();
}

bool parseHost(Parser& p, Step* step) {
    std::string w;
    step->kind = Kind::Host;
    if (!p.word(&w, "captures, keys, main or second")) return false;
    if (w == "captures") return step->captures = true, p.end();
    if (w == "keys") {
        if (!p.word(&w, "first") || w != "first") return p.fail("host keys first [one deep]");
        step->keyOrder = KeysFirst;
        if (!p.more()) return true;
        if (!p.word(&w, "one") || w != "one" || !p.word(&w, "deep") || w != "deep")
            return p.fail("host keys first [one deep]");
        step->keyOrder = KeysFirstOneDeep;
        return p.end();
    }
    if (!parseWindow(w, &step->window) || step->window > Second)
        return p.fail("host takes captures, keys first, main or second");
    std::string at;
    if (!p.word(&w, "loop") || w != "loop" || !p.word(&at, "at") || at != "at")
        return p.fail("a window's host behaviour is: loop at [next] MESSAGE");
    if (!p.word(&w, "message")) return false;
    if (w == "next") {
        step->once = true;
        if (!p.word(&w, "message")) return false;
    }
    return (parseMessage(w, &step->expected.message) || p.fail("unknown message '" + w + "'")) && p.end();
}

bool parseKeyStep(Parser& p, Step* step) {
    std::string w;
    if (!p.word(&w, "down, up or tap")) return false;
    static const Kind kinds[] = {Kind::KeyDown, Kind::KeyUp, Kind::KeyTap};
    const int which = pick(w, {"down", "up", "tap"});
    if (which < 0) return p.fail("key takes down, up or tap");
    step->kind = kinds[which];
    if (!p.word(&w, "key") || !(parseKey(w, &step->key) || p.fail("unknown key '" + w + "'"))) return false;
    if (step->kind == Kind::KeyUp && p.more()) {
        if (p.peek() != "queued") return p.fail("a key's release is queued or nothing");
        ++p.next;
        step->release = Queued;
    }
    return p.end();
}

bool parseButtonStep(Parser& p, Step* step) {
    std::string w;
    if (!p.word(&w, "down, up or double")) return false;
    static const Kind kinds[] = {Kind::ButtonDown, Kind::ButtonUp, Kind::ButtonDouble};
    const int which = pick(w, {"down", "up", "double"});
    if (which < 0) return p.fail("button takes down, up or double");
    step->kind = kinds[which];
    if (!p.word(&w, "left, right or middle")) return false;
    const int button = pick(w, {"left", "right", "middle"});  // in the order of Button
    if (button < 0) return p.fail("unknown button '" + w + "'");
    step->button = static_cast<Button>(button);
    if (step->kind == Kind::ButtonUp && p.more()) {
        const int how = pick(p.peek(), {"", "outside", "queued", "nonclient"});  // in the order of Release
        if (how < 1) return p.fail("a release is outside, queued or nonclient");
        ++p.next;
        step->release = static_cast<Release>(how);
    }
    return p.end();
}

bool parseWait(Parser& p, Step* step) {
    step->kind = Kind::Wait;
    int64_t ms = 0;
    if (!p.number(&ms, "milliseconds")) return false;
    if (ms < 0 || ms > 60000) return p.fail("wait takes 0 to 60000 ms");
    step->milliseconds = static_cast<uint32_t>(ms);
    return p.end();
}

bool parseFocus(Parser& p, Step* step) {
    std::string w;
    step->kind = Kind::Focus;
    if (!p.word(&w, "window")) return false;
    if (w == "away" || w == "elevated") return step->window = NoWindow, step->elevated = w == "elevated", p.end();
    return ((parseWindow(w, &step->window) && step->window <= Second) ||
            p.fail("focus takes main, second, away or elevated")) &&
           p.end();
}

bool parseButtons(Parser& p, Step* step) {
    std::string w;
    step->kind = Kind::Buttons;
    if (!p.word(&w, "swapped or normal") || (w != "swapped" && w != "normal"))
        return p.fail("buttons are swapped or normal");
    step->swapped = w == "swapped";
    return p.end();
}

bool parseStep(Parser& p, Step* step) {
    std::string verb, w;
    p.word(&verb, "action");
    static const struct {
        const char* verb;
        bool (*parse)(Parser& p, Step* step);
    } verbs[] = {
        {"window", parseLayout}, {"host", parseHost},   {"key", parseKeyStep},       {"button", parseButtonStep},
        {"wait", parseWait},     {"focus", parseFocus}, {"buttons", parseButtons}, {"expect", parseExpect},
    };
    for (const auto& v : verbs)
        if (verb == v.verb) return v.parse(p, step);
    if (verb == "pointer" || verb == "move") {
        step->kind = verb == "pointer" ? Kind::Pointer : Kind::Move;
        return p.coordinates(step) && p.end();
    }
    if (verb == "end") {
        step->kind = Kind::EndLoop;
        return (p.word(&w, "loop") && w == "loop") ? p.end() : p.fail("end takes loop");
    }
    if (verb == "call") {
        step->kind = Kind::Call;
        return p.word(&step->name, "export name") && p.end();
    }
    if (verb == "peek" || verb == "unload") {
        step->kind = verb == "peek" ? Kind::Peek : Kind::Unload;
        return p.end();
    }
    return p.fail("unknown action '" + verb + "'");
}

}  // namespace

bool parse(const std::string& file, const std::string& text, Scenario* out, std::string* error) {
    out->file = file;
    out->steps.clear();
    out->heading.clear();
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        Parser p;
        std::string why;
        if (!tokenize(line, &p.words, &why)) {
            *error = file + ":" + std::to_string(number) + ": " + why;
            return false;
        }
        if (p.words.empty()) {
            const size_t hash = line.find_first_not_of(" \t");
            if (out->steps.empty() && hash != std::string::npos && line[hash] == '#')
                out->heading.push_back(line.substr(line.find_first_not_of(" \t#", hash) == std::string::npos
                                                       ? line.size()
                                                       : line.find_first_not_of(" \t#", hash)));
            continue;
        }
        Step step;
        step.line = number;
        if (!parseStep(p, &step)) {
            *error = file + ":" + std::to_string(number) + ": " + p.problem + " in: " + line;
            return false;
        }
        // Window lines may also come later: a window that moved.
        auto declaration = [](const Step& s) {
            return s.kind == Kind::Layout || (s.kind == Kind::Host && !s.once) || s.kind == Kind::Pointer;
        };
        const bool hiddenWindow = step.kind == Kind::Layout && (step.window == Ime || step.window == Tooltip);
        if ((step.kind != Kind::Layout || hiddenWindow) && declaration(step) && !out->steps.empty() &&
            !declaration(out->steps.back())) {
            *error = file + ":" + std::to_string(number) + ": host, pointer, ime and tooltip lines come before the first action";
            return false;
        }
        out->steps.push_back(step);
    }
    if (out->steps.empty()) {
        *error = file + ": no steps";
        return false;
    }
    return true;
}

bool load(const std::string& file, Scenario* out, std::string* error) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        *error = file + ": cannot read the file";
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    return parse(file, text.str(), out, error);
}

}  // namespace scenario
