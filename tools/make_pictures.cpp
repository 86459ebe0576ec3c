// make_pictures.cpp - draws the example pictures and writes them, with the
// list "pics.dat" in display order, into a directory. The set covers the PNG
// forms the demo must read: truecolour with soft alpha, a 4-bit palette with
// tRNS, 16-bit grey with alpha, opaque truecolour, and one picture larger
// than the 320x240 screen.
// Usage: make_pictures <output dir>
#include "paint.h"
#include "png_save.h"

#include <png.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

namespace {

using Shader = std::function<Rgba(double x, double y)>;

// Samples the shader at the pixel centre.
PngImage truecolour(int width, int height, bool alpha, const Shader &shade) {
    PngImage image;
    image.width = width;
    image.height = height;
    image.colorType = alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgba c = shade(x + 0.5, y + 0.5);
            image.bytes.push_back(paint_byte(c.r));
            image.bytes.push_back(paint_byte(c.g));
            image.bytes.push_back(paint_byte(c.b));
            if (alpha) image.bytes.push_back(paint_byte(c.a));
        }
    return image;
}

double luminance(const Rgba &c) { return 0.3 * c.r + 0.59 * c.g + 0.11 * c.b; }

PngImage grey_alpha16(int width, int height, const Shader &shade) {
    PngImage image;
    image.width = width;
    image.height = height;
    image.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
    image.bitDepth = 16;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgba c = shade(x + 0.5, y + 0.5);
            for (uint16_t w : {paint_word(luminance(c)), paint_word(c.a)}) {
                image.bytes.push_back(static_cast<uint8_t>(w >> 8)); // PNG stores big-endian
                image.bytes.push_back(static_cast<uint8_t>(w));
            }
        }
    return image;
}

// A glowing orb: a lit sphere inside a soft halo and a thin ring.
Rgba orb(double x, double y) {
    const double cx = 80, cy = 80, radius = 44;
    const double dx = x - cx, dy = y - cy, d = std::sqrt(dx * dx + dy * dy);
    const double halo = 1 - paint_smoothstep(radius - 14, 78, d);
    Rgba c = paint_fade({0.35, 0.8, 1.0, 1}, halo * 0.75);
    c = paint_over(c, paint_fade({1.0, 0.45, 0.85, 1}, (1 - paint_smoothstep(0, 1.6, std::fabs(d - 62))) * 0.7));
    if (d < radius + 1) {
        const double nx = dx / radius, ny = dy / radius, nz2 = 1 - nx * nx - ny * ny;
        const double nz = nz2 > 0 ? std::sqrt(nz2) : 0;
        const double light = paint_clamp(-0.45 * nx - 0.55 * ny + 0.7 * nz);
        const double shine = paint_smoothstep(0.93, 0.995, light);
        Rgba body = paint_mix({0.05, 0.1, 0.45, 1}, {0.3, 0.95, 1.0, 1}, light);
        body = paint_mix(body, {1, 1, 1, 1}, shine);
        c = paint_over(c, paint_fade(body, radius + 0.5 - d));
    }
    return c;
}

// A rounded plaque with a striped retro sun and speed lines, on a soft shadow.
Rgba emblem(double x, double y) {
    const double shadow = paint_rounded_box(x, y, 126, 83, 100, 54, 24);
    Rgba c = paint_fade({0.02, 0.0, 0.08, 1}, 0.6 * (1 - paint_smoothstep(-10, 14, shadow)));
    const double plaque = paint_rounded_box(x, y, 118, 72, 100, 54, 24);
    if (plaque < 1) {
        const double t = paint_clamp((y - 18) / 108);
        Rgba fill = paint_mix({0.36, 0.14, 0.62, 1}, {0.98, 0.45, 0.25, 1}, t);
        const double rim = 1 - paint_smoothstep(0.8, 2.2, std::fabs(plaque + 5));
        fill = paint_mix(fill, {1, 0.92, 0.75, 1}, rim * 0.8);
        const double sx = x - 70, sy = y - 74, sun = std::sqrt(sx * sx + sy * sy);
        const bool stripe = sy > 4 && static_cast<int>(sy) % 7 < 2 + static_cast<int>(sy) / 9;
        if (!stripe) fill = paint_mix(fill, paint_mix({1, 0.95, 0.4, 1}, {1, 0.35, 0.4, 1}, paint_clamp((sy + 30) / 60)),
                                      paint_clamp(30.5 - sun));
        for (int line = 0; line < 3; ++line) {
            const double ly = 56 + line * 16, lx0 = 118 + line * 8;
            const double along = x - lx0, across = std::fabs(y - ly);
            if (along > 0 && along < 74 - line * 10)
                fill = paint_mix(fill, {1, 0.97, 0.9, 1}, paint_clamp(3.0 - across) * paint_clamp(along / 6));
        }
        const double gloss = (1 - paint_smoothstep(20, 70, y)) * paint_clamp(-plaque - 6) * 0.18;
        fill = paint_mix(fill, {1, 1, 1, 1}, gloss);
        c = paint_over(c, paint_fade(fill, 0.5 - plaque));
    }
    return c;
}

// A lattice of diamonds inside an oval, drawn with a 16-entry palette:
// index 0 is clear, 1 a half-clear glaze, 2..15 a teal-to-gold ramp.
PngImage tiles() {
    PngImage image;
    image.width = 192;
    image.height = 128;
    image.colorType = PNG_COLOR_TYPE_PALETTE;
    image.bitDepth = 4;
    image.palette = {0, 0, 0, 255, 255, 255};
    image.alphas = {0, 110};
    for (int i = 0; i < 14; ++i) {
        const Rgba c = paint_mix({0.05, 0.55, 0.6, 1}, {1.0, 0.8, 0.25, 1}, i / 13.0);
        image.palette.insert(image.palette.end(), {paint_byte(c.r), paint_byte(c.g), paint_byte(c.b)});
    }
    for (int y = 0; y < image.height; ++y) {
        uint8_t packed = 0;
        for (int x = 0; x < image.width; ++x) {
            const double ox = (x + 0.5 - 96) / 94, oy = (y + 0.5 - 64) / 62;
            const double u = (x + y) / 20.0, v = (x - y + 256) / 20.0;
            const double fu = u - std::floor(u) - 0.5, fv = v - std::floor(v) - 0.5;
            const double edge = std::fabs(fu) > std::fabs(fv) ? std::fabs(fu) : std::fabs(fv);
            int index = 0;
            if (ox * ox + oy * oy < 1) {
                if (edge < 0.36) {
                    const int band = static_cast<int>(std::floor(u)) + static_cast<int>(std::floor(v));
                    const int shade = (band % 7 + 7) % 7 * 2 + (fu + fv < 0 ? 1 : 0);
                    index = 2 + shade % 14;
                } else if (edge < 0.45) {
                    index = 1;
                }
            }
            packed = static_cast<uint8_t>(x % 2 == 0 ? index << 4 : packed | index);
            if (x % 2 == 1) image.bytes.push_back(packed);
        }
    }
    return image;
}

// A cratered moon, lit from the upper left, fading into a pale glow.
Rgba moon(double x, double y) {
    const double cx = 72, cy = 72, radius = 52;
    const double dx = x - cx, dy = y - cy, d = std::sqrt(dx * dx + dy * dy);
    const double glow = 1 - paint_smoothstep(radius - 4, 71, d);
    Rgba c = paint_fade({0.85, 0.85, 0.85, 1}, glow * glow * 0.55);
    if (d < radius + 1) {
        const double nx = dx / radius, ny = dy / radius, nz2 = 1 - nx * nx - ny * ny;
        const double nz = nz2 > 0 ? std::sqrt(nz2) : 0;
        double tone = 0.25 + 0.7 * paint_clamp(-0.5 * nx - 0.4 * ny + 0.77 * nz);
        tone *= 0.85 + 0.3 * paint_noise(x, y, 24, 4, 7);
        static const double craters[][3] = {{52, 50, 11}, {88, 64, 8}, {70, 96, 13}, {96, 92, 6}, {44, 82, 7}};
        for (const auto &k : craters) {
            const double kx = x - k[0], ky = y - k[1], kd = std::sqrt(kx * kx + ky * ky);
            tone *= 1 - 0.28 * (1 - paint_smoothstep(k[2] - 1.5, k[2], kd));
            tone += 0.12 * (1 - paint_smoothstep(0, 1.5, std::fabs(kd - k[2]))) * (kx + ky < 0 ? -1 : 1);
        }
        c = paint_over(c, paint_fade({tone, tone, tone, 1}, radius + 0.5 - d));
    }
    return c;
}

// A framed sunset: sky gradient, striped sun, mountain ridges, rippled sea.
Rgba sunset(double x, double y) {
    const double horizon = 104;
    Rgba c;
    if (y < horizon) {
        c = paint_mix({0.1, 0.08, 0.3, 1}, {1.0, 0.55, 0.3, 1}, paint_clamp(y / horizon));
        const double sx = x - 128, sy = y - 96, sun = std::sqrt(sx * sx + sy * sy);
        const bool gap = sy > 0 && static_cast<int>(sy + 20) % 6 < 2;
        if (!gap) c = paint_mix(c, paint_mix({1, 0.95, 0.5, 1}, {1, 0.3, 0.45, 1}, paint_clamp((sy + 38) / 46)),
                                paint_clamp(38.5 - sun));
        const double ridge = 86 + 10 * std::fabs(std::fmod(x / 37, 2.0) - 1) + 6 * std::fabs(std::fmod(x / 13, 2.0) - 1);
        c = paint_mix(c, {0.2, 0.08, 0.3, 1}, paint_clamp(y - ridge + 0.5));
    } else {
        const double depth = paint_clamp((y - horizon) / 56);
        c = paint_mix({0.45, 0.2, 0.4, 1}, {0.05, 0.05, 0.2, 1}, depth);
        const double ripple = paint_noise(x * 0.25, y * 2.2, 6, 2, 21);
        const double path = 1 - paint_smoothstep(10, 40 + 30 * depth, std::fabs(x - 128));
        c = paint_mix(c, {1, 0.7, 0.45, 1}, path * paint_smoothstep(0.55, 0.75, ripple) * 0.85);
    }
    const double frame = paint_clamp(4 - std::fmin(std::fmin(x, 256 - x), std::fmin(y, 160 - y)));
    return paint_mix(c, {0.96, 0.92, 0.86, 1}, frame);
}

// Deep space with nebula clouds and stars, larger than the screen, fading
// out towards its borders so the background shows around it.
Rgba nebula(double x, double y) {
    const double ex = (x - 200) / 200, ey = (y - 150) / 150, e = std::sqrt(ex * ex + ey * ey);
    const double cloud = paint_noise(x, y, 90, 5, 3), wisp = paint_noise(x + 400, y, 40, 4, 11);
    Rgba c = paint_mix({0.04, 0.03, 0.16, 1}, {0.6, 0.12, 0.6, 1}, paint_smoothstep(0.4, 0.72, cloud));
    c = paint_mix(c, {0.2, 0.55, 0.95, 1}, paint_smoothstep(0.55, 0.8, wisp) * 0.8);
    c = paint_mix(c, {1, 0.8, 0.6, 1}, paint_smoothstep(0.7, 0.9, cloud * wisp * 1.6) * 0.6);
    // One chance of a star per 9x9 cell, placed at a random spot inside it.
    const int cellX = static_cast<int>(x) / 9, cellY = static_cast<int>(y) / 9;
    const double star = paint_noise(cellX, cellY, 1.0, 1, 17);
    if (star > 0.75) {
        const double px = cellX * 9 + 2 + 5 * paint_noise(cellX, cellY, 1.0, 1, 23);
        const double py = cellY * 9 + 2 + 5 * paint_noise(cellX, cellY, 1.0, 1, 29);
        const double sx = x - px, sy = y - py;
        const double glint = 1 - paint_smoothstep(0, 0.9 + 5 * (star - 0.75), std::sqrt(sx * sx + sy * sy));
        c = paint_mix(c, {1, 1, 1, 1}, glint);
    }
    c.a = 1 - paint_smoothstep(0.5, 1.0, e);
    return c;
}

struct Entry {
    const char *name;
    PngImage image;
};

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_pictures <output dir>\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    const Entry pictures[] = {
        {"orb.png", truecolour(160, 160, true, orb)},
        {"emblem.png", truecolour(240, 150, true, emblem)},
        {"tiles.png", tiles()},
        {"moon.png", grey_alpha16(144, 144, moon)},
        {"sunset.png", truecolour(256, 160, false, sunset)},
        {"nebula.png", truecolour(400, 300, true, nebula)},
    };
    std::string list;
    for (const Entry &p : pictures) {
        std::string error;
        if (!png_save(p.image, dir + p.name, error)) {
            std::fprintf(stderr, "make_pictures: %s\n", error.c_str());
            return 1;
        }
        list += std::string(p.name) + "\n";
    }
    FILE *f = std::fopen((dir + "pics.dat").c_str(), "wb");
    const bool written = f && std::fwrite(list.data(), 1, list.size(), f) == list.size();
    if (!f || std::fclose(f) != 0 || !written) {
        std::fprintf(stderr, "make_pictures: cannot write %spics.dat\n", dir.c_str());
        return 1;
    }
    return 0;
}
