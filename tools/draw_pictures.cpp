// Draws the pictures the program ships with: the placeholder cover, the audio buttons and the
// program's icon.
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace {

struct SurfaceDestroy {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct ContextDestroy {
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
struct PatternDestroy {
    void operator()(cairo_pattern_t* pattern) const { cairo_pattern_destroy(pattern); }
};

bool Draw(const std::string& path, int width, int height,
          const std::function<void(cairo_t*)>& paint) {
    std::unique_ptr<cairo_surface_t, SurfaceDestroy> surface(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    std::unique_ptr<cairo_t, ContextDestroy> cr(cairo_create(surface.get()));
    paint(cr.get());
    cairo_surface_flush(surface.get());
    if (cairo_surface_write_to_png(surface.get(), path.c_str()) != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "draw-pictures: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

void RoundedRectangle(cairo_t* cr, double x, double y, double w, double h, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

// The buttons share one face so that the bar reads as one control.
void ButtonFace(cairo_t* cr) {
    RoundedRectangle(cr, 1, 1, 30, 30, 6);
    cairo_pattern_t* shade = cairo_pattern_create_linear(0, 0, 0, 32);
    cairo_pattern_add_color_stop_rgb(shade, 0, 0.96, 0.96, 0.97);
    cairo_pattern_add_color_stop_rgb(shade, 1, 0.80, 0.82, 0.86);
    cairo_set_source(cr, shade);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(shade);
    cairo_set_source_rgb(cr, 0.45, 0.47, 0.52);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    cairo_set_source_rgb(cr, 0.15, 0.18, 0.25);
}

void Play(cairo_t* cr) {
    ButtonFace(cr);
    cairo_move_to(cr, 11, 8);
    cairo_line_to(cr, 24, 16);
    cairo_line_to(cr, 11, 24);
    cairo_close_path(cr);
    cairo_fill(cr);
}

void Pause(cairo_t* cr) {
    ButtonFace(cr);
    cairo_rectangle(cr, 10, 8, 4.5, 16);
    cairo_rectangle(cr, 17.5, 8, 4.5, 16);
    cairo_fill(cr);
}

void Stop(cairo_t* cr) {
    ButtonFace(cr);
    cairo_rectangle(cr, 9.5, 9.5, 13, 13);
    cairo_fill(cr);
}

void NoCover(cairo_t* cr) {
    const double width = 300;
    const double height = 450;
    cairo_set_source_rgb(cr, 0.93, 0.91, 0.86);
    cairo_paint(cr);
    // A closed book: spine shadow, then a frame on the cover board.
    cairo_rectangle(cr, 0, 0, 22, height);
    cairo_set_source_rgb(cr, 0.70, 0.66, 0.58);
    cairo_fill(cr);
    cairo_rectangle(cr, 44, 40, width - 76, height - 80);
    cairo_set_source_rgb(cr, 0.55, 0.50, 0.42);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);

    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 34);
    const char* lines[] = {"No", "cover"};
    double y = height / 2 - 10;
    for (const char* line : lines) {
        cairo_text_extents_t extents;
        cairo_text_extents(cr, line, &extents);
        cairo_move_to(cr, 22 + (width - 22 - extents.width) / 2 - extents.x_bearing, y);
        cairo_show_text(cr, line);
        y += 46;
    }
}

// An open book seen from above, its pages fanning from the spine, on a rounded tile: it reads
// as a reader at the sizes a desktop shows icons.
void Icon(cairo_t* cr) {
    const double size = 256;
    RoundedRectangle(cr, 8, 8, size - 16, size - 16, 44);
    std::unique_ptr<cairo_pattern_t, PatternDestroy> tile(
        cairo_pattern_create_linear(0, 8, 0, size - 8));
    cairo_pattern_add_color_stop_rgb(tile.get(), 0, 0.20, 0.42, 0.62);
    cairo_pattern_add_color_stop_rgb(tile.get(), 1, 0.10, 0.24, 0.40);
    cairo_set_source(cr, tile.get());
    cairo_fill(cr);

    const double spineX = size / 2;
    const double top = 62;
    const double bottom = 200;
    // Each half of the book: a cover edge, then the page, curving down into the spine.
    for (const double side : {-1.0, 1.0}) {
        const double outer = spineX + side * 96;
        cairo_move_to(cr, spineX, bottom + 8);
        cairo_curve_to(cr, spineX + side * 30, bottom - 8, outer - side * 30, bottom - 4, outer,
                       bottom + 4);
        cairo_line_to(cr, outer, top + 4);
        cairo_curve_to(cr, outer - side * 30, top - 6, spineX + side * 30, top - 10, spineX,
                       top + 8);
        cairo_close_path(cr);
        cairo_set_source_rgb(cr, 0.98, 0.96, 0.90);
        cairo_fill_preserve(cr);
        cairo_set_source_rgb(cr, 0.60, 0.54, 0.44);
        cairo_set_line_width(cr, 3);
        cairo_stroke(cr);
        // Lines of text on the page.
        cairo_set_source_rgb(cr, 0.55, 0.58, 0.64);
        cairo_set_line_width(cr, 5);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        for (int line = 0; line < 6; ++line) {
            const double y = top + 28 + line * 20;
            const double inner = spineX + side * 20;
            const double end = spineX + side * (line == 5 ? 56 : 80);
            cairo_move_to(cr, inner, y);
            cairo_line_to(cr, end, y);
        }
        cairo_stroke(cr);
    }
    // The spine.
    cairo_move_to(cr, spineX, top + 8);
    cairo_line_to(cr, spineX, bottom + 8);
    cairo_set_source_rgb(cr, 0.60, 0.54, 0.44);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    // A bookmark ribbon.
    cairo_move_to(cr, spineX + 44, top - 2);
    cairo_line_to(cr, spineX + 62, top - 2);
    cairo_line_to(cr, spineX + 62, top + 56);
    cairo_line_to(cr, spineX + 53, top + 46);
    cairo_line_to(cr, spineX + 44, top + 56);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, 0.86, 0.28, 0.22);
    cairo_fill(cr);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: draw-pictures OUTPUT-FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    const bool written =
        Draw(folder + "/no_cover.png", 300, 450, NoCover) &&
        Draw(folder + "/play.png", 32, 32, Play) && Draw(folder + "/pause.png", 32, 32, Pause) &&
        Draw(folder + "/stop.png", 32, 32, Stop) && Draw(folder + "/quirelle.png", 256, 256, Icon);
    return written ? 0 : 1;
}
