// The timeline pictures as SVG, for the documents.
#include <cstdio>

#include "timeline.h"

namespace {

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

std::string colour(uint32_t rgb) {
    char out[8];
    std::snprintf(out, sizeof out, "#%06x", rgb);
    return out;
}

std::string svgItem(const timeline::Item& item) {
    using timeline::Style;
    char out[400];
    switch (item.kind) {
    case timeline::ItemKind::Text: {
        const char* extra = item.style == Style::Title           ? " font-size=\"14\" font-weight=\"bold\""
                            : item.style == Style::Header        ? " font-weight=\"bold\""
                            : item.style == Style::UserHeading   ? " font-weight=\"bold\" fill=\"#4a4a4a\""
                            : item.style == Style::WindowHeading ? " font-weight=\"bold\" fill=\"#2f7fc1\""
                            : item.style == Style::MarkSent      ? " fill=\"#ffffff\""
                                                                 : "";
        std::snprintf(out, sizeof out, "<text x=\"%d\" y=\"%d\"%s>", item.x, item.y, extra);
        return out + escape(item.text) + "</text>\n";
    }
    case timeline::ItemKind::Rect: {
        const bool bar = item.style == Style::UserBar || item.style == Style::BelievedBar || item.style == Style::Away ||
                         item.style == Style::Swapped;
        const bool dashed = item.style == Style::MarkSwallowed || item.style == Style::MarkElsewhere;
        const char* extra = bar ? " rx=\"3\"" : dashed ? " stroke-dasharray=\"3,2\" rx=\"2\"" : " rx=\"2\"";
        std::snprintf(out, sizeof out, "<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" fill=\"%s\" stroke=\"%s\"%s/>\n",
                      item.x, item.y, item.w, item.h, colour(timeline::fillColour(item.style)).c_str(),
                      bar ? "none" : colour(timeline::strokeColour(item.style)).c_str(), extra);
        return out;
    }
    case timeline::ItemKind::Line:
        std::snprintf(out, sizeof out, "<line x1=\"%d\" y1=\"%d\" x2=\"%d\" y2=\"%d\" stroke=\"%s\"%s/>\n", item.x, item.y,
                      item.w, item.h, colour(timeline::strokeColour(item.style)).c_str(),
                      item.style == Style::Tick ? " stroke-width=\"2\"" : "");
        return out;
    case timeline::ItemKind::Gap:
        std::snprintf(out, sizeof out, "<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" fill=\"url(#gap)\"/>\n", item.x,
                      item.y, item.w, item.h);
        return out;
    }
    return "";
}

}  // namespace

std::string timelineSvg(const scenario::Scenario& s, const std::vector<scenario::TracedAction>& actions) {
    const timeline::Picture picture = timeline::layout(s, actions);
    char head[600];
    std::snprintf(head, sizeof head,
                  "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" viewBox=\"0 0 %d %d\" "
                  "font-family=\"DejaVu Sans Mono, monospace\" font-size=\"10\">\n"
                  "<defs><pattern id=\"gap\" width=\"8\" height=\"8\" patternUnits=\"userSpaceOnUse\" "
                  "patternTransform=\"rotate(45)\"><rect width=\"8\" height=\"8\" fill=\"#f7f7f7\"/>"
                  "<line x1=\"0\" y1=\"0\" x2=\"0\" y2=\"8\" stroke=\"#e4e4e4\" stroke-width=\"3\"/></pattern></defs>\n"
                  "<rect width=\"100%%\" height=\"100%%\" fill=\"#ffffff\"/>\n",
                  picture.width, picture.height, picture.width, picture.height);
    std::string out = head;
    for (int pass = 0; pass < 2; ++pass)
        for (const timeline::Item& item : picture.items)
            if (item.background == (pass == 0)) out += svgItem(item);
    return out + "</svg>\n";
}
