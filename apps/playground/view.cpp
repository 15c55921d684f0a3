// The live view: the session drawn as the gesture pictures are, with GDI at
// the window's DPI, below a strip with the child pane and the status lines;
// and the snapshot of it as BMP or PNG.
#include "playground.h"

#include <algorithm>
#include <cmath>

ViewState view;

namespace {

constexpr int kBand = 128;       // the strip above the picture, at 96 DPI
constexpr int kLaneNames = 184;  // the picture's column of lane names

timeline::Picture picture;

COLORREF rgb(uint32_t colour) { return RGB((colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF); }

int px(int logical) { return static_cast<int>(std::lround(logical * view.scale)); }

struct Fonts {
    double scale = 0;
    HFONT plain = nullptr, bold = nullptr, title = nullptr;
    void make() {
        if (scale == view.scale) return;
        for (HFONT f : {plain, bold, title})
            if (f) DeleteObject(f);
        auto font = [](int size, int weight) {
            return CreateFontA(-px(size), 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, FIXED_PITCH | FF_MODERN, "Consolas");
        };
        plain = font(10, FW_NORMAL), bold = font(10, FW_BOLD), title = font(14, FW_BOLD);
        scale = view.scale;
    }
} fonts;

void drawItem(HDC dc, const timeline::Item& item, int dx, int dy) {
    using timeline::Style;
    const int x = px(item.x) + dx, y = px(item.y) + dy;
    switch (item.kind) {
    case timeline::ItemKind::Text: {
        const bool bold = item.style == Style::Header || item.style == Style::UserHeading || item.style == Style::WindowHeading;
        SelectObject(dc, item.style == Style::Title ? fonts.title : bold ? fonts.bold : fonts.plain);
        SetTextColor(dc, rgb(timeline::textColour(item.style)));
        TextOutA(dc, x, y, item.text.data(), static_cast<int>(item.text.size()));
        break;
    }
    case timeline::ItemKind::Rect: {
        const bool bar = item.style == Style::UserBar || item.style == Style::BelievedBar;
        HBRUSH brush = CreateSolidBrush(rgb(timeline::fillColour(item.style)));
        HPEN pen = bar ? CreatePen(PS_NULL, 0, 0)
                       : CreatePen(item.style == Style::MarkSwallowed ? PS_DOT : PS_SOLID, 1, rgb(timeline::strokeColour(item.style)));
        HGDIOBJ oldBrush = SelectObject(dc, brush), oldPen = SelectObject(dc, pen);
        const int round = px(bar ? 6 : 4);
        RoundRect(dc, x, y, x + px(item.w) + 1, y + px(item.h) + 1, round, round);
        SelectObject(dc, oldBrush), SelectObject(dc, oldPen);
        DeleteObject(brush), DeleteObject(pen);
        break;
    }
    case timeline::ItemKind::Line: {
        HPEN pen = CreatePen(PS_SOLID, item.style == Style::Tick ? std::max(2, px(2)) : std::max(1, px(1)),
                             rgb(timeline::strokeColour(item.style)));
        HGDIOBJ old = SelectObject(dc, pen);
        MoveToEx(dc, x, y, nullptr);
        LineTo(dc, px(item.w) + dx, px(item.h) + dy);
        SelectObject(dc, old);
        DeleteObject(pen);
        break;
    }
    case timeline::ItemKind::Gap: {
        RECT r = {x, y, x + px(item.w), y + px(item.h)};
        HBRUSH back = CreateSolidBrush(RGB(0xf7, 0xf7, 0xf7));
        FillRect(dc, &r, back);
        DeleteObject(back);
        HBRUSH hatch = CreateHatchBrush(HS_BDIAGONAL, RGB(0xe4, 0xe4, 0xe4));
        SetBkMode(dc, TRANSPARENT);
        FillRect(dc, &r, hatch);
        DeleteObject(hatch);
        break;
    }
    }
}

std::string heldText() {
    std::string out;
    for (int key = 1; key < 256; ++key) {
        if (!session.physical.test(static_cast<size_t>(key))) continue;
        out += (out.empty() ? "" : ", ") + timeline::keyLabel(key);
    }
    return out.empty() ? "nothing" : out;
}

void paintBand(HDC dc, const RECT& client) {
    RECT band = {0, 0, client.right, px(kBand)};
    HBRUSH grey = CreateSolidBrush(RGB(0xf4, 0xf6, 0xf8));
    FillRect(dc, &band, grey);
    DeleteObject(grey);
    RECT pane;
    GetWindowRect(childWindow, &pane);
    MapWindowPoints(nullptr, mainWindow, reinterpret_cast<POINT*>(&pane), 2);
    const int x = pane.right + px(16);
    int y = px(22);
    SelectObject(dc, fonts.bold);
    SetTextColor(dc, RGB(0x22, 0x22, 0x22));
    auto line = [&](const std::string& text) {
        TextOutA(dc, x, y, text.data(), static_cast<int>(text.size()));
        y += px(20);
    };
    line(view.status);
    SelectObject(dc, fonts.plain);
    line("You hold: " + heldText());
    line("Drag with Alt and a button, tap Ctrl, hold Tab; over main or the child window.");
    const std::string alarm = stuckAlarm();
    if (!alarm.empty()) {
        SelectObject(dc, fonts.bold);
        SetTextColor(dc, RGB(0xc6, 0x28, 0x28));
        line("STUCK: " + alarm);
    }
}

}  // namespace

int bandHeight() { return px(kBand); }

const timeline::Picture& currentPicture() {
    if (session.changed) {
        // A person pauses between actions: only pauses of a second or more, or
        // ones in which something arrived, get a column of their own.
        picture = timeline::layout(session.scenario, tracedActions(), 1000);
        session.changed = false;
    }
    return picture;
}

void paintWindow(HDC dc, const RECT& client) {
    fonts.make();
    const timeline::Picture& p = currentPicture();
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    SetTextAlign(dc, TA_BASELINE | TA_LEFT);
    const int top = bandHeight();
    IntersectClipRect(dc, 0, top, client.right, client.bottom);
    const int dx = -view.scrollX, dy = top - view.scrollY;
    const int left = view.scrollX, right = view.scrollX + client.right;
    for (int pass = 0; pass < 2; ++pass)
        for (const timeline::Item& item : p.items) {
            if (item.pinned || item.background != (pass == 0)) continue;
            const int x0 = px(item.x), x1 = item.kind == timeline::ItemKind::Line ? px(item.w) : x0 + px(item.w) + px(160);
            if (std::max(x0, x1) < left || std::min(x0, x1) > right) continue;  // out of sight
            drawItem(dc, item, dx, dy);
        }
    // The lane names, title and legend stay in place as the columns scroll.
    RECT strip = {0, top, px(kLaneNames), client.bottom};
    FillRect(dc, &strip, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    for (const timeline::Item& item : p.items) {
        if (item.pinned) drawItem(dc, item, 0, dy);
        if (item.kind == timeline::ItemKind::Line && item.style == timeline::Style::Separator) {
            timeline::Item across = item;
            across.w = static_cast<int>((client.right - px(item.x)) / view.scale);
            drawItem(dc, across, 0, dy);
        }
    }
    SelectClipRgn(dc, nullptr);
    paintBand(dc, client);
}

void updateScrollBars() {
    RECT client;
    GetClientRect(mainWindow, &client);
    const timeline::Picture& p = currentPicture();
    const int width = static_cast<int>(p.width * view.scale), height = static_cast<int>(p.height * view.scale);
    const int pageX = client.right, pageY = std::max(1, static_cast<int>(client.bottom) - bandHeight());
    if (view.follow) view.scrollX = std::max(0, width - pageX);
    view.scrollX = std::max(0, std::min(view.scrollX, width - pageX));
    view.scrollY = std::max(0, std::min(view.scrollY, height - pageY));
    SCROLLINFO info = {sizeof info, SIF_ALL | SIF_DISABLENOSCROLL, 0, width, static_cast<UINT>(pageX), view.scrollX, 0};
    SetScrollInfo(mainWindow, SB_HORZ, &info, TRUE);
    info = {sizeof info, SIF_ALL | SIF_DISABLENOSCROLL, 0, height, static_cast<UINT>(pageY), view.scrollY, 0};
    SetScrollInfo(mainWindow, SB_VERT, &info, TRUE);
}

void scroll(int bar, WPARAM request) {
    SCROLLINFO info = {sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(mainWindow, bar, &info);
    int pos = info.nPos;
    const int step = static_cast<int>(150 * view.scale);
    switch (LOWORD(request)) {
    case SB_LINELEFT: pos -= step; break;
    case SB_LINERIGHT: pos += step; break;
    case SB_PAGELEFT: pos -= static_cast<int>(info.nPage); break;
    case SB_PAGERIGHT: pos += static_cast<int>(info.nPage); break;
    case SB_THUMBTRACK: case SB_THUMBPOSITION: pos = info.nTrackPos; break;
    case SB_LEFT: pos = info.nMin; break;
    case SB_RIGHT: pos = info.nMax; break;
    default: break;
    }
    (bar == SB_HORZ ? view.scrollX : view.scrollY) = pos;
    // Back at the newest column, the view follows the session again.
    if (bar == SB_HORZ) view.follow = pos + static_cast<int>(info.nPage) >= info.nMax;
    updateScrollBars();
    InvalidateRect(mainWindow, nullptr, FALSE);
}

namespace {

uint32_t crc32(const unsigned char* data, size_t size, uint32_t crc = 0) {
    static uint32_t table[256];
    if (table[1] == 0)
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void put32(std::string* out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<char>((v >> shift) & 0xFF));
}

void chunk(std::string* png, const char* type, const std::string& data) {
    put32(png, static_cast<uint32_t>(data.size()));
    const std::string body = type + data;
    *png += body;
    put32(png, crc32(reinterpret_cast<const unsigned char*>(body.data()), body.size()));
}

// A PNG of 8-bit RGB rows (top first), its image data in stored deflate
// blocks: larger than compressed, and needs nothing beyond this file.
std::string encodePng(int width, int height, const std::vector<unsigned char>& rgbRows) {
    std::string raw;
    const size_t stride = static_cast<size_t>(width) * 3;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // no filter
        raw.append(reinterpret_cast<const char*>(&rgbRows[static_cast<size_t>(y) * stride]), stride);
    }
    std::string z = "\x78\x01";
    for (size_t at = 0; at < raw.size() || at == 0; at += 65535) {
        const size_t n = std::min<size_t>(65535, raw.size() - at);
        z.push_back(at + n >= raw.size() ? 1 : 0);
        z.push_back(static_cast<char>(n & 0xFF)), z.push_back(static_cast<char>(n >> 8));
        z.push_back(static_cast<char>(~n & 0xFF)), z.push_back(static_cast<char>((~n >> 8) & 0xFF));
        z.append(raw, at, n);
        if (raw.empty()) break;
    }
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) a = (a + c) % 65521, b = (b + a) % 65521;
    put32(&z, (b << 16) | a);
    std::string header;
    put32(&header, static_cast<uint32_t>(width)), put32(&header, static_cast<uint32_t>(height));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter, no interlace
    std::string png = "\x89PNG\r\n\x1a\n";
    chunk(&png, "IHDR", header);
    chunk(&png, "IDAT", z);
    chunk(&png, "IEND", "");
    return png;
}

}  // namespace

bool saveSnapshot(HWND window, const std::string& path, std::string* error) {
    RECT client;
    GetClientRect(window, &client);
    const int width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0) return *error = "the window has no client area", false;
    HDC screen = GetDC(window);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(dc, bitmap);
    paintWindow(dc, client);
    // The child pane is a window of its own: drawn in its place.
    RECT pane;
    GetWindowRect(childWindow, &pane);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&pane), 2);
    SetViewportOrgEx(dc, pane.left, pane.top, nullptr);
    SendMessageA(childWindow, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    SelectObject(dc, old);

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
    std::vector<unsigned char> pixels(stride * static_cast<size_t>(height));
    const int rows = GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(window, screen);
    if (rows != height) return *error = "cannot read the window's picture", false;

    std::string file;
    const bool png = path.size() >= 4 && _stricmp(path.c_str() + path.size() - 4, ".png") == 0;
    if (png) {
        std::vector<unsigned char> rgbRows(static_cast<size_t>(width) * 3 * static_cast<size_t>(height));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                for (int c = 0; c < 3; ++c)  // the DIB holds blue, green, red
                    rgbRows[(static_cast<size_t>(y) * width + x) * 3 + c] = pixels[y * stride + x * 3 + (2 - c)];
        file = encodePng(width, height, rgbRows);
    } else {
        BITMAPFILEHEADER head = {};
        info.bmiHeader.biHeight = height;  // a BMP file keeps the bottom row first
        head.bfType = 0x4D42;
        head.bfOffBits = sizeof head + sizeof info.bmiHeader;
        head.bfSize = static_cast<DWORD>(head.bfOffBits + pixels.size());
        file.append(reinterpret_cast<const char*>(&head), sizeof head);
        file.append(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
        for (int y = height - 1; y >= 0; --y) file.append(reinterpret_cast<const char*>(&pixels[y * stride]), stride);
    }
    return writeFile(path, file) || (*error = path + ": cannot write the file", false);
}
