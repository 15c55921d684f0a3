// Replays scenario files against the module on the simulated platform.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "scenario.h"
#include "sim_host.h"
#include "timeline.h"

namespace {

const char kUsage[] =
    "usage: replay [--trace | --json] FILE...   run scenario files; \"N passed, M failed\"\n"
    "       replay --swapped ...                 the same with the buttons swapped from the start (left-handed)\n"
    "       replay --record FILE                FILE's actions with what the host received as expectations\n"
    "       replay --svg OUT.svg FILE           draw FILE as a timeline picture\n"
    "       replay --help                       this text\n"
    "--trace prints every message the host's windows receive; --json prints, as one JSON document, each\n"
    "file's actions and, for each, what was sent or passed on.\n"
    "Exit status: 0 every expectation holds; 1 one fails (file, line, expected, arrived);\n"
    "2 a usage error, an unreadable file or a line that does not parse (file, line, reason).\n";

int usage(const char* problem) {
    std::fprintf(stderr, "replay: %s\n%s", problem, kUsage);
    return 2;
}

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') out += std::string("\\") + static_cast<char>(c);
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string jsonReceived(const scenario::Received& r) {
    static const char* const kWindows[] = {"main", "second", "none", "other", "ime", "tooltip"};
    std::string out = "{\"window\": \"" + std::string(kWindows[r.window]) + "\"";
    if (r.box) return out + ", \"box\": true, \"caption\": " + jsonString(r.caption) + ", \"text\": " + jsonString(r.text) + "}";
    out += std::string(", \"passedOn\": ") + (r.input ? "true" : "false");
    out += ", \"message\": \"" + std::string(scenario::messageName(r.message)) + "\", \"messageValue\": " + std::to_string(r.message);
    out += ", \"wParam\": " + std::to_string(r.wParam);
    if (scenario::isKeyMessage(r.message)) {
        out += ", \"key\": \"" + scenario::keyName(static_cast<int>(r.wParam)) + "\"";
        if (!r.input) out += ", \"lParam\": " + std::to_string(r.lParam);
    } else {
        out += ", \"x\": " + std::to_string(static_cast<int16_t>(r.lParam & 0xFFFF)) +
               ", \"y\": " + std::to_string(static_cast<int16_t>((r.lParam >> 16) & 0xFFFF));
    }
    return out + "}";
}

std::string jsonTrace(const scenario::Scenario& s, const std::vector<scenario::TracedAction>& actions, bool passed,
                      const std::string& error) {
    std::string out = "    {\"file\": " + jsonString(s.file) + ", \"passed\": " + (passed ? "true" : "false") +
                      ", \"error\": " + (passed ? "null" : jsonString(error)) + ",\n     \"events\": [";
    bool first = true;
    for (const scenario::TracedAction& a : actions) {
        if (a.step == nullptr && a.received.empty()) continue;
        out += first ? "\n" : ",\n";
        first = false;
        out += "      {\"line\": " + std::to_string(a.step ? a.step->line : 0) +
               ", \"action\": " + jsonString(a.step ? scenario::format(*a.step) : "") + ", \"received\": [";
        for (size_t i = 0; i < a.received.size(); ++i) out += (i ? ", " : "") + jsonReceived(a.received[i]);
        out += "]}";
    }
    return out + "]}";
}

bool swappedFromStart = false;

// A host whose user has the buttons swapped from the start, when asked.
struct Host : SimulatedHost {
    explicit Host(bool trace = false) : SimulatedHost(trace) { sim::swapButtons(swappedFromStart); }
};

bool writeSvg(const char* out, const scenario::Scenario& s, std::string* error) {
    Host host;
    std::vector<scenario::TracedAction> actions;
    if (!scenario::trace(s, host, &actions, error)) return false;
    FILE* file = std::fopen(out, "w");
    if (file == nullptr) return *error = std::string(out) + ": cannot write the file", false;
    const std::string svg = timelineSvg(s, actions);
    const bool written = std::fwrite(svg.data(), 1, svg.size(), file) == svg.size();
    return (std::fclose(file) == 0 && written) || (*error = std::string(out) + ": cannot write the file", false);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) return std::fputs(kUsage, stdout), 0;
    bool trace = false, json = false, record = false, swapped = false;
    std::string svgOut;
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--trace") trace = true;
        else if (args[i] == "--json") json = true;
        else if (args[i] == "--record") record = true;
        else if (args[i] == "--swapped") swapped = true;
        else if (args[i] == "--svg" && i + 1 < args.size()) svgOut = args[++i];
        else if (args[i].rfind("--", 0) == 0) return usage(("unknown option " + args[i]).c_str());
        else files.push_back(args[i]);
    }
    if (files.empty()) return usage("no scenario file");
    swappedFromStart = swapped;
    if ((record || !svgOut.empty()) && files.size() != 1) return usage("--record and --svg take one file");
    if (trace + json + record + !svgOut.empty() > 1) return usage("--trace, --json, --record and --svg exclude each other");

    // Every file is read and parsed before anything runs.
    std::vector<scenario::Scenario> scenarios(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        std::string error;
        if (!scenario::load(files[i], &scenarios[i], &error)) return std::fprintf(stderr, "replay: %s\n", error.c_str()), 2;
    }
    std::string error;
    if (record) {
        std::string text;
        Host host;
        if (!scenario::record(scenarios[0], host, &text, &error)) return std::fprintf(stderr, "replay: %s\n", error.c_str()), 1;
        return std::fputs(text.c_str(), stdout), 0;
    }
    if (!svgOut.empty()) {
        if (writeSvg(svgOut.c_str(), scenarios[0], &error)) return 0;
        std::fprintf(stderr, "replay: %s\n", error.c_str());
        return error.find("cannot write") != std::string::npos ? 2 : 1;
    }
    int passed = 0, failed = 0;
    std::string document = "{\"scenarios\": [\n";
    for (const scenario::Scenario& s : scenarios) {
        if (trace) std::printf("%s\n", s.file.c_str());
        Host host(trace);
        error.clear();
        const bool ok = scenario::run(s, host, &error);
        ok ? ++passed : ++failed;
        if (json) {
            Host again;
            std::vector<scenario::TracedAction> actions;
            std::string ignored;
            scenario::trace(s, again, &actions, &ignored);
            document += (passed + failed > 1 ? ",\n" : "") + jsonTrace(s, actions, ok, error);
        } else {
            std::printf(ok ? "PASS %s\n" : "FAIL %s\n", ok ? s.file.c_str() : error.c_str());
        }
    }
    if (json)
        std::printf("%s\n], \"passed\": %d, \"failed\": %d}\n", document.c_str(), passed, failed);
    else
        std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
