// Draws the pictures the program ships with: the placeholder cover and the audio buttons.
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

bool Draw(const std::string& path, int width, int height, const std::function<void(cairo_t*)>& paint) {
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

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: draw-pictures OUTPUT-FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    const bool written = Draw(folder + "/no_cover.png", 300, 450, NoCover) &&
                         Draw(folder + "/play.png", 32, 32, Play) &&
                         Draw(folder + "/pause.png", 32, 32, Pause) &&
                         Draw(folder + "/stop.png", 32, 32, Stop);
    return written ? 0 : 1;
}
