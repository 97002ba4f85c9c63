// Draws the identification library's images as vector shapes and writes each one as PNG at
// 1x, 2x and 3x ("name.png", "name@2x.png", "name@3x.png") into the folder given as the only
// argument. Run by the build; the output depends on nothing but this file, so every build
// draws the same pictures. Icons that the library shows as templates are drawn in one colour
// with alpha, so only their shape counts once a tint is applied.
//
//   LibraryImageArtist <output folder>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Painter = std::function<void(cairo_t*, double w, double h)>;

struct Picture {
    std::string name;
    double width;
    double height;
    Painter paint;
};

constexpr double kPi = 3.14159265358979323846;

void setRGB(cairo_t* cr, unsigned rgb, double alpha = 1.0)
{
    cairo_set_source_rgba(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, alpha);
}

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r)
{
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
    cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
    cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
    cairo_close_path(cr);
}

void strokeLine(cairo_t* cr, double x0, double y0, double x1, double y1)
{
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    cairo_stroke(cr);
}

void roundPen(cairo_t* cr, double width)
{
    cairo_set_line_width(cr, width);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
}

// Glyph colours: templates are black (the tint replaces it); the rest take the theme's
// default text colour, or white where they sit on the camera picture.
constexpr unsigned kTemplate = 0x000000;
constexpr unsigned kText = 0x4A4A4A;
constexpr unsigned kOnCamera = 0xFFFFFF;

void cross(cairo_t* cr, double w, double h, double inset, double pen, unsigned colour)
{
    setRGB(cr, colour);
    roundPen(cr, pen);
    strokeLine(cr, inset, inset, w - inset, h - inset);
    strokeLine(cr, w - inset, inset, inset, h - inset);
}

void tick(cairo_t* cr, double w, double h)
{
    cairo_move_to(cr, w * 0.26, h * 0.52);
    cairo_line_to(cr, w * 0.43, h * 0.69);
    cairo_line_to(cr, w * 0.75, h * 0.33);
    cairo_stroke(cr);
}

void checkBox(cairo_t* cr, double w, double h, bool ticked)
{
    setRGB(cr, kTemplate);
    if (!ticked) {
        cairo_set_line_width(cr, 1.5);
        roundedRect(cr, 1.75, 1.75, w - 3.5, h - 3.5, 4);
        cairo_stroke(cr);
        return;
    }
    roundedRect(cr, 1, 1, w - 2, h - 2, 4.5);
    cairo_fill(cr);
    // The tick is cut out of the box, so it shows whatever lies below in any tint.
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    roundPen(cr, 2.2);
    tick(cr, w, h);
}

void lightning(cairo_t* cr, double w, double h)
{
    cairo_move_to(cr, w * 0.58, h * 0.06);
    cairo_line_to(cr, w * 0.22, h * 0.56);
    cairo_line_to(cr, w * 0.48, h * 0.56);
    cairo_line_to(cr, w * 0.40, h * 0.94);
    cairo_line_to(cr, w * 0.78, h * 0.42);
    cairo_line_to(cr, w * 0.52, h * 0.42);
    cairo_close_path(cr);
}

void resultIcon(cairo_t* cr, double w, double h, unsigned colour, bool success)
{
    setRGB(cr, colour);
    cairo_arc(cr, w / 2, h / 2, w / 2 - 1, 0, 2 * kPi);
    cairo_fill(cr);
    setRGB(cr, 0xFFFFFF);
    roundPen(cr, w * 0.08);
    if (success) {
        tick(cr, w, h);
    } else {
        strokeLine(cr, w * 0.34, h * 0.34, w * 0.66, h * 0.66);
        strokeLine(cr, w * 0.66, h * 0.34, w * 0.34, h * 0.66);
    }
}

// Corner brackets of a frame the user lines something up with; the outline between them is
// drawn thin so the shape still reads when the camera picture is busy.
void alignmentFrame(cairo_t* cr, double w, double h, double radius)
{
    setRGB(cr, kTemplate);
    cairo_set_line_width(cr, 1.5);
    roundedRect(cr, 2, 2, w - 4, h - 4, radius);
    cairo_stroke(cr);
    const double arm = std::min(w, h) * 0.18;
    roundPen(cr, 5);
    const double l = 3.5, t = 3.5, r = w - 3.5, b = h - 3.5;
    for (auto [x, y, dx, dy] : {std::tuple{l, t, 1.0, 1.0}, std::tuple{r, t, -1.0, 1.0}, std::tuple{l, b, 1.0, -1.0}, std::tuple{r, b, -1.0, -1.0}}) {
        cairo_move_to(cr, x, y + dy * arm);
        cairo_line_to(cr, x, y + dy * radius);
        cairo_curve_to(cr, x, y, x, y, x + dx * radius, y);
        cairo_line_to(cr, x + dx * arm, y);
        cairo_stroke(cr);
    }
}

void personSilhouette(cairo_t* cr, double x, double y, double w, double h)
{
    cairo_arc(cr, x + w / 2, y + h * 0.35, w * 0.22, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_save(cr);
    cairo_rectangle(cr, x, y, w, h);
    cairo_clip(cr);
    cairo_arc(cr, x + w / 2, y + h * 1.05, w * 0.45, kPi, 2 * kPi);
    cairo_fill(cr);
    cairo_restore(cr);
}

// A plastic card with a photo box and lines of text; the kinds of document differ by colour
// and by a band across the top.
void card(cairo_t* cr, double x, double y, double w, double h, unsigned body, unsigned band)
{
    setRGB(cr, body);
    roundedRect(cr, x, y, w, h, h * 0.07);
    cairo_fill(cr);
    setRGB(cr, band);
    cairo_save(cr);
    roundedRect(cr, x, y, w, h, h * 0.07);
    cairo_clip(cr);
    cairo_rectangle(cr, x, y, w, h * 0.16);
    cairo_fill(cr);
    cairo_restore(cr);
    setRGB(cr, 0xFFFFFF, 0.85);
    roundedRect(cr, x + w * 0.06, y + h * 0.26, w * 0.26, h * 0.58, 3);
    cairo_fill(cr);
    setRGB(cr, 0x6B7785);
    personSilhouette(cr, x + w * 0.06, y + h * 0.30, w * 0.26, h * 0.54);
    setRGB(cr, 0x2E3A46, 0.55);
    for (int i = 0; i < 5; ++i) {
        const double lineWidth = w * (i % 2 ? 0.38 : 0.52);
        roundedRect(cr, x + w * 0.38, y + h * (0.30 + i * 0.11), lineWidth, h * 0.045, h * 0.02);
        cairo_fill(cr);
    }
}

void passport(cairo_t* cr, double x, double y, double w, double h)
{
    setRGB(cr, 0x7A1F2B);
    roundedRect(cr, x, y, w, h, h * 0.06);
    cairo_fill(cr);
    setRGB(cr, 0xD9B45A);
    cairo_set_line_width(cr, std::max(1.0, w * 0.015));
    cairo_arc(cr, x + w / 2, y + h * 0.45, h * 0.18, 0, 2 * kPi);
    cairo_stroke(cr);
    for (double f : {0.72, 0.80}) {
        roundedRect(cr, x + w * 0.25, y + h * f, w * 0.5, h * 0.035, h * 0.015);
        cairo_fill(cr);
    }
    setRGB(cr, 0x000000, 0.25);
    cairo_rectangle(cr, x + w * 0.04, y, w * 0.02, h);
    cairo_fill(cr);
}

void stripedFlag(cairo_t* cr, double w, double h, std::vector<unsigned> stripes, bool vertical)
{
    roundedRect(cr, 0, 0, w, h, 2);
    cairo_clip(cr);
    const double step = (vertical ? w : h) / double(stripes.size());
    for (size_t i = 0; i < stripes.size(); ++i) {
        setRGB(cr, stripes[i]);
        if (vertical)
            cairo_rectangle(cr, step * double(i), 0, step + 0.5, h);
        else
            cairo_rectangle(cr, 0, step * double(i), w, step + 0.5);
        cairo_fill(cr);
    }
}

// The brand mark: a rounded shield with a tick, the tick cut out.
void brandMark(cairo_t* cr, double x, double y, double size, unsigned colour)
{
    setRGB(cr, colour);
    cairo_move_to(cr, x + size * 0.5, y);
    cairo_curve_to(cr, x + size * 0.75, y + size * 0.1, x + size * 0.95, y + size * 0.1, x + size * 0.95, y + size * 0.1);
    cairo_curve_to(cr, x + size * 0.95, y + size * 0.65, x + size * 0.75, y + size * 0.88, x + size * 0.5, y + size);
    cairo_curve_to(cr, x + size * 0.25, y + size * 0.88, x + size * 0.05, y + size * 0.65, x + size * 0.05, y + size * 0.1);
    cairo_curve_to(cr, x + size * 0.05, y + size * 0.1, x + size * 0.25, y + size * 0.1, x + size * 0.5, y);
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    roundPen(cr, size * 0.1);
    cairo_translate(cr, x, y);
    tick(cr, size, size * 0.95);
    cairo_restore(cr);
}

void documentKind(std::vector<Picture>& out, const std::string& kind, Painter paint)
{
    out.push_back({"kvn-document-" + kind + "-DE", 240, 150, std::move(paint)});
}

std::vector<Picture> pictures()
{
    std::vector<Picture> all;

    all.push_back({"kvn-icon-unselected", 22, 22, [](cairo_t* cr, double w, double h) { checkBox(cr, w, h, false); }});
    all.push_back({"kvn-icon-selected", 22, 22, [](cairo_t* cr, double w, double h) { checkBox(cr, w, h, true); }});
    all.push_back({"kvn-icon-close", 20, 20, [](cairo_t* cr, double w, double h) { cross(cr, w, h, 4, 2, kText); }});
    all.push_back({"kvn-icon-chat-close", 20, 20, [](cairo_t* cr, double w, double h) { cross(cr, w, h, 4, 2, kText); }});
    all.push_back({"kvn-icon-cancel", 22, 22, [](cairo_t* cr, double w, double h) {
                       setRGB(cr, kText);
                       cairo_set_line_width(cr, 1.6);
                       cairo_arc(cr, w / 2, h / 2, w / 2 - 1.5, 0, 2 * kPi);
                       cairo_stroke(cr);
                       cross(cr, w, h, 7.5, 1.8, kText);
                   }});
    all.push_back({"kvn-icon-sign-again", 22, 22, [](cairo_t* cr, double w, double h) {
                       setRGB(cr, kText);
                       roundPen(cr, 1.8);
                       const double r = w / 2 - 5, from = -kPi * 0.2, to = kPi * 1.5;
                       cairo_arc(cr, w / 2, h / 2, r, from, to);
                       cairo_stroke(cr);
                       // The arrow head at the end of the circle, pointing on along it.
                       const double tipX = w / 2 + r * std::cos(to), tipY = h / 2 + r * std::sin(to);
                       const double alongX = -std::sin(to), alongY = std::cos(to);
                       const double head = 3.5;
                       cairo_move_to(cr, tipX - head * (alongX + alongY), tipY - head * (alongY - alongX));
                       cairo_line_to(cr, tipX, tipY);
                       cairo_line_to(cr, tipX - head * (alongX - alongY), tipY - head * (alongY + alongX));
                       cairo_stroke(cr);
                   }});
    all.push_back({"kvn-icon-chat", 28, 28, [](cairo_t* cr, double w, double h) {
                       setRGB(cr, kTemplate);
                       roundedRect(cr, 2, 4, w - 4, h * 0.62, 6);
                       cairo_fill(cr);
                       cairo_move_to(cr, w * 0.28, h * 0.62);
                       cairo_line_to(cr, w * 0.22, h * 0.92);
                       cairo_line_to(cr, w * 0.50, h * 0.62);
                       cairo_close_path(cr);
                       cairo_fill(cr);
                       cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
                       for (int i = 0; i < 3; ++i) {
                           cairo_arc(cr, w * (0.32 + 0.18 * i), h * 0.38, 1.8, 0, 2 * kPi);
                           cairo_fill(cr);
                       }
                   }});
    // The tail of a chat balloon: it joins the balloon's lower corner and points outwards.
    all.push_back({"kvn-icon-chat-bubble", 12, 10, [](cairo_t* cr, double w, double h) {
                       setRGB(cr, kTemplate);
                       cairo_move_to(cr, 0, 0);
                       cairo_line_to(cr, w * 0.55, 0);
                       cairo_curve_to(cr, w * 0.6, h * 0.55, w * 0.8, h * 0.85, w, h);
                       cairo_curve_to(cr, w * 0.55, h, w * 0.15, h * 0.8, 0, h * 0.45);
                       cairo_close_path(cr);
                       cairo_fill(cr);
                   }});
    all.push_back({"kvn-icon-chevron", 8, 13, [](cairo_t* cr, double w, double h) {
                       setRGB(cr, kTemplate);
                       roundPen(cr, 2);
                       cairo_move_to(cr, 1.5, 1.5);
                       cairo_line_to(cr, w - 1.5, h / 2);
                       cairo_line_to(cr, 1.5, h - 1.5);
                       cairo_stroke(cr);
                   }});
    all.push_back({"kvn-icon-search", 20, 20, [](cairo_t* cr, double w, double h) {
                       setRGB(cr, kTemplate);
                       roundPen(cr, 2);
                       cairo_arc(cr, w * 0.42, h * 0.42, w * 0.28, 0, 2 * kPi);
                       cairo_stroke(cr);
                       roundPen(cr, 2.6);
                       strokeLine(cr, w * 0.63, h * 0.63, w - 2, h - 2);
                   }});
    all.push_back({"kvn-icon-flash-on", 30, 30, [](cairo_t* cr, double w, double h) {
                       setRGB(cr, kOnCamera);
                       lightning(cr, w, h);
                       cairo_fill(cr);
                   }});
    all.push_back({"kvn-icon-flash-off", 30, 30, [](cairo_t* cr, double w, double h) {
                       setRGB(cr, kOnCamera);
                       cairo_set_line_width(cr, 1.5);
                       lightning(cr, w, h);
                       cairo_stroke(cr);
                       roundPen(cr, 2);
                       strokeLine(cr, 4, 4, w - 4, h - 4);
                   }});
    all.push_back({"kvn-icon-focus", 70, 70, [](cairo_t* cr, double w, double h) {
                       setRGB(cr, kOnCamera);
                       roundPen(cr, 2);
                       const double arm = 14, m = 2;
                       for (auto [x, y, dx, dy] : {std::tuple{m, m, 1.0, 1.0}, std::tuple{w - m, m, -1.0, 1.0},
                                                   std::tuple{m, h - m, 1.0, -1.0}, std::tuple{w - m, h - m, -1.0, -1.0}}) {
                           cairo_move_to(cr, x, y + dy * arm);
                           cairo_line_to(cr, x, y);
                           cairo_line_to(cr, x + dx * arm, y);
                           cairo_stroke(cr);
                       }
                       cairo_arc(cr, w / 2, h / 2, 2.5, 0, 2 * kPi);
                       cairo_fill(cr);
                   }});
    all.push_back({"kvn-icon-takephoto", 40, 40, [](cairo_t* cr, double w, double h) {
                       setRGB(cr, kText);
                       roundedRect(cr, 4, 11, w - 8, h - 19, 4);
                       roundedRect(cr, w * 0.35, 7, w * 0.3, 6, 2);
                       cairo_fill(cr);
                       cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
                       cairo_arc(cr, w / 2, h * 0.55, 8, 0, 2 * kPi);
                       cairo_fill(cr);
                       cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
                       cairo_arc(cr, w / 2, h * 0.55, 5, 0, 2 * kPi);
                       cairo_fill(cr);
                   }});
    all.push_back({"kvn-icon-result-success", 64, 64,
                   [](cairo_t* cr, double w, double h) { resultIcon(cr, w, h, 0xA4AC49, true); }});
    all.push_back({"kvn-icon-result-failure", 64, 64,
                   [](cairo_t* cr, double w, double h) { resultIcon(cr, w, h, 0xE0727A, false); }});

    all.push_back({"kvn-bg", 375, 667, [](cairo_t* cr, double, double h) {
                       cairo_pattern_t* wash = cairo_pattern_create_linear(0, 0, 0, h);
                       cairo_pattern_add_color_stop_rgb(wash, 0, 0.98, 0.98, 0.98);
                       cairo_pattern_add_color_stop_rgb(wash, 1, 0.92, 0.93, 0.94);
                       cairo_set_source(cr, wash);
                       cairo_paint(cr);
                       cairo_pattern_destroy(wash);
                   }});
    all.push_back({"kvn-logo-large", 180, 60, [](cairo_t* cr, double, double h) {
                       brandMark(cr, 4, 4, h - 8, 0xF95602);
                       setRGB(cr, 0x4A4A4A);
                       for (int i = 0; i < 3; ++i) {
                           roundedRect(cr, h + 6, 12 + i * 13, i == 1 ? 80 : 110, 8, 4);
                           cairo_fill(cr);
                       }
                   }});
    all.push_back({"kvn-watermark", 70, 16, [](cairo_t* cr, double, double h) {
                       brandMark(cr, 0, 0, h, 0x9B9B9B);
                       setRGB(cr, 0x9B9B9B);
                       roundedRect(cr, h + 4, h * 0.3, 48, h * 0.4, h * 0.2);
                       cairo_fill(cr);
                   }});

    // Outlines to line a document or a face up with: an identity card (ID-1, 85.6 x 54 mm),
    // a passport page (ID-3, 125 x 88 mm) and a face.
    all.push_back({"kvn-mask-id-1", 300, 189, [](cairo_t* cr, double w, double h) { alignmentFrame(cr, w, h, 14); }});
    all.push_back({"kvn-mask-id-3", 300, 211, [](cairo_t* cr, double w, double h) { alignmentFrame(cr, w, h, 12); }});
    all.push_back({"kvn-mask-face", 220, 290, [](cairo_t* cr, double w, double h) {
                       setRGB(cr, kTemplate);
                       cairo_set_line_width(cr, 4);
                       cairo_save(cr);
                       cairo_translate(cr, w / 2, h / 2);
                       cairo_scale(cr, w / 2 - 3, h / 2 - 3);
                       cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
                       cairo_restore(cr);
                       cairo_stroke(cr);
                   }});
    all.push_back({"kvn-signature-capture-frame", 345, 150, [](cairo_t* cr, double w, double h) {
                       setRGB(cr, kTemplate);
                       cairo_set_line_width(cr, 1.5);
                       const double dash[] = {6, 4};
                       cairo_set_dash(cr, dash, 2, 0);
                       roundedRect(cr, 1, 1, w - 2, h - 2, 6);
                       cairo_stroke(cr);
                       cairo_set_dash(cr, nullptr, 0, 0);
                       // The line to sign on, with the cross that marks where to start.
                       roundPen(cr, 1.5);
                       strokeLine(cr, 20, h * 0.75, w - 20, h * 0.75);
                       strokeLine(cr, 20, h * 0.75 - 16, 30, h * 0.75 - 6);
                       strokeLine(cr, 30, h * 0.75 - 16, 20, h * 0.75 - 6);
                   }});

    documentKind(all, "IDCARD", [](cairo_t* cr, double w, double h) { card(cr, 2, 2, w - 4, h - 4, 0xD6E4EA, 0x5B8FA8); });
    documentKind(all, "RESIDENCE_PERMIT", [](cairo_t* cr, double w, double h) { card(cr, 2, 2, w - 4, h - 4, 0xDCE8D2, 0x6E9A54); });
    documentKind(all, "DRIVERS_LICENSE", [](cairo_t* cr, double w, double h) { card(cr, 2, 2, w - 4, h - 4, 0xF1DCE2, 0xB0607A); });
    documentKind(all, "PASSPORT", [](cairo_t* cr, double w, double h) { passport(cr, (w - h * 0.72) / 2, 2, h * 0.72, h - 4); });

    // What a good photo looks like: the card held flat, filling the frame, on a plain desk.
    const Painter example = [](cairo_t* cr, double w, double h) {
        setRGB(cr, 0x8A6A4E);
        cairo_paint(cr);
        card(cr, w * 0.1, h * 0.14, w * 0.8, h * 0.72, 0xD6E4EA, 0x5B8FA8);
    };
    all.push_back({"help-example", 320, 240, example});
    all.push_back({"helpexample-0", 320, 240, example});

    all.push_back({"kvn-flag-placeholder", 30, 20, [](cairo_t* cr, double w, double h) {
                       setRGB(cr, 0xD8D8D8);
                       roundedRect(cr, 0, 0, w, h, 2);
                       cairo_fill(cr);
                       setRGB(cr, 0x9B9B9B);
                       cairo_set_line_width(cr, 1.2);
                       cairo_arc(cr, w / 2, h / 2, h * 0.32, 0, 2 * kPi);
                       strokeLine(cr, w / 2 - h * 0.32, h / 2, w / 2 + h * 0.32, h / 2);
                       cairo_save(cr);
                       cairo_translate(cr, w / 2, h / 2);
                       cairo_scale(cr, 0.45, 1);
                       cairo_arc(cr, 0, 0, h * 0.32, 0, 2 * kPi);
                       cairo_restore(cr);
                       cairo_stroke(cr);
                   }});
    // The countries the service offers for the photo identification.
    all.push_back({"kvn-flag-DE", 30, 20, [](cairo_t* cr, double w, double h) { stripedFlag(cr, w, h, {0x000000, 0xDD0000, 0xFFCE00}, false); }});
    all.push_back({"kvn-flag-AT", 30, 20, [](cairo_t* cr, double w, double h) { stripedFlag(cr, w, h, {0xED2939, 0xFFFFFF, 0xED2939}, false); }});
    all.push_back({"kvn-flag-CH", 30, 20, [](cairo_t* cr, double w, double h) {
                       stripedFlag(cr, w, h, {0xDA291C}, false);
                       setRGB(cr, 0xFFFFFF);
                       cairo_rectangle(cr, w / 2 - 2, h / 2 - 6.5, 4, 13);
                       cairo_rectangle(cr, w / 2 - 6.5, h / 2 - 2, 13, 4);
                       cairo_fill(cr);
                   }});
    return all;
}

bool draw(const Picture& picture, int scale, const std::filesystem::path& file)
{
    const int pw = int(std::lround(picture.width * scale)), ph = int(std::lround(picture.height * scale));
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pw, ph);
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, scale, scale);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_BEST);
    picture.paint(cr, picture.width, picture.height);
    const bool ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cr);
    const bool written = ok && cairo_surface_write_to_png(surface, file.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return written;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        std::fprintf(stderr, "cannot create %s: %s\n", folder.c_str(), ec.message().c_str());
        return 1;
    }
    int failures = 0;
    for (const auto& picture : pictures()) {
        for (int scale = 1; scale <= 3; ++scale) {
            const std::string suffix = scale == 1 ? "" : "@" + std::to_string(scale) + "x";
            const auto file = folder / (picture.name + suffix + ".png");
            if (!draw(picture, scale, file)) {
                std::fprintf(stderr, "cannot draw %s\n", file.c_str());
                ++failures;
            }
        }
    }
    cairo_debug_reset_static_data();
    return failures ? 1 : 0;
}
