// paint.cpp - colour compositing, shape coverage and value noise for the
// picture maker.
#include "paint.h"

#include <cmath>

Rgba paint_over(const Rgba &bottom, const Rgba &top) {
    const double a = top.a + bottom.a * (1 - top.a);
    if (a <= 0) return {};
    const double keep = bottom.a * (1 - top.a);
    return {(top.r * top.a + bottom.r * keep) / a, (top.g * top.a + bottom.g * keep) / a,
            (top.b * top.a + bottom.b * keep) / a, a};
}

Rgba paint_fade(Rgba c, double coverage) {
    c.a *= paint_clamp(coverage);
    return c;
}

Rgba paint_mix(const Rgba &a, const Rgba &b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

double paint_clamp(double v, double lo, double hi) { return v < lo ? lo : v > hi ? hi : v; }

double paint_smoothstep(double e0, double e1, double v) {
    const double t = paint_clamp((v - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

double paint_rounded_box(double x, double y, double cx, double cy, double hw, double hh, double r) {
    const double qx = std::fabs(x - cx) - (hw - r), qy = std::fabs(y - cy) - (hh - r);
    const double ox = qx > 0 ? qx : 0, oy = qy > 0 ? qy : 0;
    const double inside = qx > qy ? qx : qy;
    return std::sqrt(ox * ox + oy * oy) + (inside < 0 ? inside : 0) - r;
}

namespace {

double lattice(int x, int y, uint32_t seed) {
    uint32_t h = static_cast<uint32_t>(x) * 0x8da6b343u ^ static_cast<uint32_t>(y) * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return (h & 0xffffff) / 16777215.0;
}

double smooth_value(double x, double y, uint32_t seed) {
    const double fx = std::floor(x), fy = std::floor(y);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    const double tx = paint_smoothstep(0, 1, x - fx), ty = paint_smoothstep(0, 1, y - fy);
    const double top = lattice(ix, iy, seed) + (lattice(ix + 1, iy, seed) - lattice(ix, iy, seed)) * tx;
    const double bottom = lattice(ix, iy + 1, seed) + (lattice(ix + 1, iy + 1, seed) - lattice(ix, iy + 1, seed)) * tx;
    return top + (bottom - top) * ty;
}

} // namespace

double paint_noise(double x, double y, double scale, int octaves, uint32_t seed) {
    double sum = 0, weight = 1, total = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += smooth_value(x / scale, y / scale, seed + static_cast<uint32_t>(o)) * weight;
        total += weight;
        weight *= 0.5;
        scale *= 0.5;
    }
    return sum / total;
}

uint8_t paint_byte(double v) { return static_cast<uint8_t>(paint_clamp(v) * 255 + 0.5); }
uint16_t paint_word(double v) { return static_cast<uint16_t>(paint_clamp(v) * 65535 + 0.5); }
